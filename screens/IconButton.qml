import QtQuick
import QtQuick.Controls

// A toolbar button that shows only a symbol; `Accessible.name` says what it does.
ToolButton {
    id: control

    required property string symbol
    property color tint: Theme.accent

    implicitWidth: Theme.controlHeight + 6
    implicitHeight: Theme.controlHeight + 6
    focusPolicy: Qt.TabFocus
    ToolTip.visible: hovered && Accessible.name !== ""
    ToolTip.text: Accessible.name
    ToolTip.delay: 600

    contentItem: SymbolImage {
        name: control.symbol
        size: 20
        color: control.tint
        opacity: control.enabled ? 1 : 0.4
    }

    background: Rectangle {
        radius: Theme.controlRadius
        color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b,
                       control.down ? 0.14 : (control.hovered ? 0.07 : 0))
    }
}
