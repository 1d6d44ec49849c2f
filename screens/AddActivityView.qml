import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The add-activity sheet. Every opening starts from Monday, 16:00 to 17:00
// and 5-minute buffers; the sheet closes once the create call returns.
FormSheet {
    id: root

    required property DeviceDetailViewModel vm

    objectName: "addActivitySheet"
    width: 450
    height: 500
    title: "New Activity"
    confirmText: "Create"
    confirmEnabled: formItem !== null && formItem.name.length > 0

    onConfirmed: closeWhenDone(vm.startCreateActivity(formItem.activity()))

    form: ColumnLayout {
        // As typed: blanks count and nothing is trimmed.
        readonly property string name: nameField.text

        function activity() {
            return {
                name: nameField.text,
                dayOfWeek: dayPicker.currentIndex,
                startTime: startField.shownTime,
                endTime: endField.shownTime,
                bufferBeforeMinutes: beforeStepper.value,
                bufferAfterMinutes: afterStepper.value,
                enabled: true
            }
        }

        spacing: 20

        FormSection {
            Layout.fillWidth: true
            header: "Name"
            TextField {
                id: nameField
                objectName: "activityNameField"
                Layout.fillWidth: true
                placeholderText: "English"
                Accessible.name: "Name"
                font: Theme.body
                focus: true
                onAccepted: root.confirm()
            }
        }

        FormSection {
            Layout.fillWidth: true
            header: "Day"
            RowLayout {
                Layout.fillWidth: true
                Label {
                    Layout.fillWidth: true
                    text: "Day"
                    font: Theme.body
                    color: Theme.primary
                }
                ComboBox {
                    id: dayPicker
                    objectName: "activityDayPicker"
                    Layout.preferredWidth: 160
                    model: ["Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"]
                    currentIndex: 0
                    font: Theme.body
                    Accessible.name: "Day"
                }
            }
        }

        FormSection {
            Layout.fillWidth: true
            header: "Time"
            RowLayout {
                Layout.fillWidth: true
                Label {
                    Layout.fillWidth: true
                    text: "Start"
                    font: Theme.body
                    color: Theme.primary
                }
                TimePickerCompact {
                    id: startField
                    objectName: "activityStart"
                    time: "16:00"
                    accessibleName: "Start"
                }
            }
            RowLayout {
                Layout.fillWidth: true
                Label {
                    Layout.fillWidth: true
                    text: "End"
                    font: Theme.body
                    color: Theme.primary
                }
                TimePickerCompact {
                    id: endField
                    objectName: "activityEnd"
                    time: "17:00"
                    accessibleName: "End"
                }
            }
        }

        FormSection {
            Layout.fillWidth: true
            header: "Buffer (minutes)"
            StepperRow {
                id: beforeStepper
                objectName: "bufferBefore"
                Layout.fillWidth: true
                text: "Before: " + value + " min"
                from: 0
                to: 60
                value: 5
            }
            StepperRow {
                id: afterStepper
                objectName: "bufferAfter"
                Layout.fillWidth: true
                text: "After: " + value + " min"
                from: 0
                to: 60
                value: 5
            }
        }
    }
}
