import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The daily time limit, the weekend limit and per-day overrides. Every step
// goes to the service at once; figures move when the service answers.
SectionCard {
    id: root

    required property DeviceDetailViewModel vm

    readonly property var policy: vm.policy
    readonly property PolicyRows rows: PolicyRows { vm: root.vm }

    title: "Screen Time"

    component ClearButton: ToolButton {
        id: clearButton
        property real symbolSize: 16
        implicitWidth: symbolSize + 10
        implicitHeight: symbolSize + 10
        padding: 0
        focusPolicy: Qt.TabFocus
        contentItem: SymbolImage {
            name: "xmark.circle.fill"
            size: clearButton.symbolSize
            color: Theme.secondary
        }
        background: null
    }

    component MinutesRow: RowLayout {
        id: minutesRow
        property alias label: caption.text
        property alias minutes: stepper.minutes
        property alias stepperName: stepper.objectName
        signal stepped(int minutes)

        Layout.fillWidth: true
        Layout.topMargin: 8
        Layout.bottomMargin: 8
        Label {
            id: caption
            Layout.leftMargin: 44
            font: Theme.body
            color: Theme.secondary
        }
        Item { Layout.fillWidth: true }
        MinutesStepper {
            id: stepper
            Layout.rightMargin: 16
            accessibleName: caption.text
            onStepped: (minutes) => minutesRow.stepped(minutes)
        }
    }

    CardContent {
        padding: 0
        spacing: 0

        ToggleRow {
            objectName: "screenTimeToggle"
            title: "Time Limit"
            subtitle: "Max per day outside downtime"
            icon: "hourglass"
            iconColor: Theme.blue
            isOn: root.policy.screenTimeEnabled
            onToggled: (on) => root.vm.startSetScreenTimeEnabled(on)
        }

        ColumnLayout {
            objectName: "screenTimeRows"
            Layout.fillWidth: true
            visible: root.policy.screenTimeEnabled
            spacing: 0

            RowDivider { inset: 44 }
            MinutesRow {
                label: "Weekdays"
                stepperName: "weekdaysStepper"
                minutes: root.policy.screenTimeLimitMinutes
                onStepped: (minutes) => root.vm.startSetScreenTimeLimit(minutes)
            }

            RowDivider { inset: 44 }
            RowLayout {
                Layout.fillWidth: true
                spacing: 0
                MinutesRow {
                    label: "Weekends"
                    stepperName: "weekendsStepper"
                    minutes: root.rows.weekendMinutes
                    onStepped: (minutes) => root.vm.startSetWeekendLimit(minutes)
                }
                ClearButton {
                    objectName: "clearWeekendButton"
                    Layout.rightMargin: 16
                    visible: root.rows.hasWeekendLimit
                    Accessible.name: "Remove weekend limit"
                    onClicked: root.vm.startClearWeekendLimit()
                }
            }

            RowDivider { inset: 44 }
            RowLayout {
                Layout.fillWidth: true
                Layout.topMargin: 8
                Layout.bottomMargin: 4
                Label {
                    Layout.leftMargin: 44
                    text: "Per day overrides"
                    font: Theme.caption
                    color: Theme.secondary
                }
                Item { Layout.fillWidth: true }
            }

            Repeater {
                model: root.rows.days
                delegate: RowLayout {
                    id: dayRow
                    required property var modelData
                    objectName: "dayRow" + modelData.index
                    Layout.fillWidth: true
                    Layout.topMargin: 6
                    Layout.bottomMargin: modelData.index === 6 ? 12 : 6

                    Label {
                        objectName: "dayLabel" + dayRow.modelData.index
                        Layout.leftMargin: 44
                        Layout.preferredWidth: 40
                        text: dayRow.modelData.label
                        font: Theme.body
                        color: dayRow.modelData.overridden ? Theme.primary : Theme.secondary
                    }
                    Item { Layout.fillWidth: true }
                    ClearButton {
                        objectName: "clearDayButton" + dayRow.modelData.index
                        symbolSize: Theme.caption.pixelSize + 3
                        visible: dayRow.modelData.overridden
                        Accessible.name: "Remove " + dayRow.modelData.label + " override"
                        onClicked: root.vm.startClearDayLimit(dayRow.modelData.index)
                    }
                    MinutesStepper {
                        objectName: "dayStepper" + dayRow.modelData.index
                        Layout.rightMargin: 16
                        minutes: dayRow.modelData.minutes
                        dimmed: !dayRow.modelData.overridden
                        accessibleName: dayRow.modelData.label
                        onStepped: (minutes) => root.vm.startSetDayLimit(dayRow.modelData.index, minutes)
                    }
                }
            }
        }
    }
}
