import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// An icon, a title with a subtitle, and a switch. The switch shows `isOn`
// only: a flip is reported through `toggled` and the switch returns to `isOn`
// until whoever owns the value publishes the change.
RowLayout {
    id: row

    property string title: ""
    property string subtitle: ""
    property string icon: ""
    property color iconColor: Theme.accent
    property bool isOn: false

    signal toggled(bool on)

    Layout.fillWidth: true
    Layout.leftMargin: 16
    Layout.rightMargin: 16
    Layout.topMargin: 12
    Layout.bottomMargin: 12
    spacing: 12

    SymbolImage {
        Layout.preferredWidth: 28
        name: row.icon
        size: Theme.title3.pixelSize + 3
        color: row.iconColor
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2
        Label {
            text: row.title
            font: Theme.body
            color: Theme.primary
        }
        Label {
            Layout.fillWidth: true
            text: row.subtitle
            font: Theme.caption
            color: Theme.secondary
            elide: Text.ElideRight
        }
    }

    Switch {
        id: toggle
        objectName: row.objectName + "Switch"
        checked: row.isOn
        padding: 0
        Accessible.name: row.title
        onToggled: {
            const wanted = checked
            checked = Qt.binding(() => row.isOn)
            row.toggled(wanted)
        }
    }
}
