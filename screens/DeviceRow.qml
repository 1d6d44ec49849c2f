import QtQuick
import QtQuick.Layouts
import Lumaro.State

// One device in the list: its name and child on the left, whether the agent
// is online on the right.
RowLayout {
    id: row

    // The device's map from DevicesViewModel.devices.
    required property var device
    // Advanced by the list on a timer; read by the status bindings so they are
    // evaluated again against the clock without a reload.
    property int clockTick: 0

    readonly property bool online: clockTick >= 0 && Presentation.isOnline(device.lastSeen)

    spacing: 12

    ColumnLayout {
        Layout.fillWidth: true
        Layout.topMargin: 4
        Layout.bottomMargin: 4
        spacing: 4
        Text {
            objectName: "deviceName"
            Layout.fillWidth: true
            text: row.device.name
            font: Theme.headline
            color: Theme.primary
            elide: Text.ElideRight
            textFormat: Text.PlainText
        }
        Text {
            objectName: "childName"
            Layout.fillWidth: true
            text: row.device.childName
            font: Theme.subheadline
            color: Theme.secondary
            elide: Text.ElideRight
            textFormat: Text.PlainText
        }
    }

    RowLayout {
        Layout.alignment: Qt.AlignVCenter
        spacing: 6
        Rectangle {
            objectName: "statusDot"
            implicitWidth: 8
            implicitHeight: 8
            radius: 4
            color: row.online ? Theme.green : Theme.gray
            opacity: row.online ? 1 : 0.3
        }
        Text {
            objectName: "statusText"
            text: row.clockTick >= 0 ? Presentation.statusText(row.device.lastSeen) : ""
            font: Theme.caption
            color: Theme.secondary
            textFormat: Text.PlainText
        }
    }
}
