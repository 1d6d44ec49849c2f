import QtQuick
import QtQuick.Controls

// The bordered button: accent text on a light tint, with an optional leading symbol.
Button {
    id: control

    property string symbol: ""

    implicitHeight: Theme.controlHeight
    leftPadding: 12
    rightPadding: 12
    font: Theme.body
    Accessible.name: text

    contentItem: Row {
        spacing: 6
        SymbolImage {
            anchors.verticalCenter: parent.verticalCenter
            visible: control.symbol !== ""
            name: control.symbol
            size: 15
            color: Theme.accent
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            font: control.font
            color: Theme.accent
        }
    }

    background: Rectangle {
        radius: Theme.controlRadius
        color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, control.down ? 0.25 : (control.hovered ? 0.17 : 0.12))
        opacity: control.enabled ? 1 : 0.45
    }
}
