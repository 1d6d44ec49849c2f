import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// One scheduled activity: its name and times, its switch and delete button,
// and the hairline to the next row.
ColumnLayout {
    id: row

    required property DeviceDetailViewModel vm
    required property var activity
    property bool last: true

    spacing: 0

    RowLayout {
        objectName: "activityRow"
        Layout.fillWidth: true
        Layout.leftMargin: 16
        Layout.rightMargin: 16
        Layout.topMargin: 10
        Layout.bottomMargin: 10
        spacing: 12

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Label {
                objectName: "activityName"
                Layout.fillWidth: true
                text: row.activity.name
                font: Theme.body
                color: row.activity.enabled ? Theme.primary : Theme.secondary
                elide: Text.ElideRight
            }
            Label {
                objectName: "activityDetails"
                Layout.fillWidth: true
                text: row.activity.detailsText
                font: Theme.caption
                color: Theme.secondary
                elide: Text.ElideRight
            }
        }

        Switch {
            objectName: "activitySwitch"
            Accessible.name: row.activity.name
            checked: row.activity.enabled
            // The state object flips `enabled`; the switch follows its answer.
            onToggled: {
                row.vm.startToggleActivity(row.activity.id)
                checked = Qt.binding(() => row.activity.enabled)
            }
        }

        IconButton {
            objectName: "activityDelete"
            symbol: "trash"
            tint: Theme.red
            Accessible.name: "Delete " + row.activity.name
            onClicked: row.vm.startDeleteActivity(row.activity.id)
        }
    }

    RowDivider {
        objectName: "activityDivider"
        visible: !row.last
    }
}
