import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The device's names, last contact, agent version and setup string.
SectionCard {
    id: root

    required property DeviceDetailViewModel vm
    // Bumped by the screen's clock so "Last Seen" ages without a reload.
    property int clockTick: 0

    readonly property var device: vm.device
    readonly property bool hasDevice: device !== undefined
    readonly property string lastSeenText: hasDevice && clockTick >= 0 ? vm.deviceLastSeenText() : ""

    signal editNameRequested()

    title: "Device"

    component InfoRow: RowLayout {
        property alias label: labelText.text
        property alias value: valueText.text

        Layout.fillWidth: true
        Layout.leftMargin: 16
        Layout.rightMargin: 16
        Layout.topMargin: 12
        Layout.bottomMargin: 12
        Label {
            id: labelText
            font: Theme.body
            color: Theme.secondary
        }
        Item { Layout.fillWidth: true }
        Label {
            id: valueText
            objectName: parent.objectName + "Value"
            font: Theme.body
            color: Theme.primary
            elide: Text.ElideMiddle
            Layout.maximumWidth: 320
        }
    }

    CardContent {
        objectName: "deviceInfoRows"
        padding: 0
        spacing: 0

        InfoRow {
            id: nameRow
            objectName: "deviceNameRow"
            visible: root.hasDevice
            label: "Name"
            value: root.hasDevice ? root.device.name : ""
            // Keeps the row as tall as the others despite the button.
            Layout.topMargin: 6
            Layout.bottomMargin: 6
            IconButton {
                objectName: "editNameButton"
                symbol: "pencil"
                Accessible.name: "Rename device"
                implicitWidth: 30
                implicitHeight: 30
                contentItem: SymbolImage {
                    name: "pencil"
                    size: Theme.callout.pixelSize + 3
                    color: Theme.blue
                }
                onClicked: root.editNameRequested()
            }
        }
        RowDivider { visible: root.hasDevice }
        InfoRow {
            objectName: "childNameRow"
            visible: root.hasDevice
            label: "Child"
            value: root.hasDevice ? root.device.childName : ""
        }
        RowDivider { visible: root.hasDevice }
        InfoRow {
            objectName: "lastSeenRow"
            visible: root.hasDevice
            label: "Last Seen"
            value: root.lastSeenText
        }
        RowDivider { visible: agentRow.visible }
        InfoRow {
            id: agentRow
            objectName: "agentVersionRow"
            visible: root.hasDevice && root.device.agentVersion !== undefined
            label: "Agent Version"
            value: root.hasDevice && root.device.agentVersion !== undefined ? "v" + root.device.agentVersion : ""
        }
        RowDivider { visible: setupRow.visible }
        RowLayout {
            id: setupRow
            objectName: "setupStringRow"
            visible: root.hasDevice && root.device.apiToken !== undefined
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            Layout.topMargin: 8
            Layout.bottomMargin: 8
            Label {
                text: "Setup String"
                font: Theme.body
                color: Theme.secondary
            }
            Item { Layout.fillWidth: true }
            BorderedButton {
                objectName: "copySetupButton"
                text: "Copy"
                symbol: "doc.on.doc"
                font: Theme.callout
                implicitHeight: 24
                leftPadding: 10
                rightPadding: 10
                Accessible.name: "Copy setup string"
                onClicked: DeviceSetup.startCopySetupString(root.device.apiToken)
            }
        }
    }
}
