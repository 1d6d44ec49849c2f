import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The rename sheet, filled with the device's current names at each opening;
// it closes once the rename call returns.
FormSheet {
    id: root

    required property DeviceDetailViewModel vm

    objectName: "editDeviceSheet"
    width: 400
    height: 250
    title: "Edit Device"
    confirmText: "Save"
    confirmEnabled: formItem !== null && formItem.name.length > 0 && formItem.childName.length > 0

    onConfirmed: closeWhenDone(vm.startUpdateDeviceName(formItem.name, formItem.childName))

    form: ColumnLayout {
        readonly property string name: nameField.text
        readonly property string childName: childField.text

        spacing: 16

        FormSection {
            Layout.fillWidth: true
            header: "Device Name"
            TextField {
                id: nameField
                objectName: "renameDeviceField"
                Layout.fillWidth: true
                placeholderText: "Device name"
                Accessible.name: "Device name"
                font: Theme.body
                focus: true
                // Filled once: a reload while the sheet is open keeps the edit.
                Component.onCompleted: text = root.vm.device !== undefined ? root.vm.device.name : ""
                onAccepted: root.confirm()
            }
        }

        FormSection {
            Layout.fillWidth: true
            header: "Child Name"
            TextField {
                id: childField
                objectName: "renameChildField"
                Layout.fillWidth: true
                placeholderText: "Child name"
                Accessible.name: "Child name"
                font: Theme.body
                Component.onCompleted: text = root.vm.device !== undefined ? root.vm.device.childName : ""
                onAccepted: root.confirm()
            }
        }
    }
}
