import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The daily downtime window, with separate weekday and weekend windows that
// fall back to it. Every change goes to the service at once.
SectionCard {
    id: root

    required property DeviceDetailViewModel vm

    readonly property var policy: vm.policy
    readonly property PolicyRows rows: PolicyRows { vm: root.vm }

    title: "Downtime"

    component SubHeader: RowLayout {
        id: header
        property alias text: caption.text
        property alias resetVisible: reset.visible
        property alias resetName: reset.objectName
        signal resetClicked()

        Layout.fillWidth: true
        Layout.topMargin: 4
        Label {
            id: caption
            Layout.leftMargin: 44
            font: Theme.caption
            color: Theme.secondary
        }
        Item { Layout.fillWidth: true }
        Button {
            id: reset
            Layout.rightMargin: 16
            flat: true
            text: "Reset"
            font: Theme.caption
            padding: 2
            Accessible.name: "Reset " + caption.text
            contentItem: Text {
                text: reset.text
                font: reset.font
                color: reset.down ? Qt.darker(Theme.accent, 1.3) : Theme.accent
            }
            background: null
            onClicked: header.resetClicked()
        }
    }

    component TimeRow: RowLayout {
        id: timeRow
        property alias label: caption.text
        property alias time: picker.time
        property alias pickerName: picker.objectName
        signal edited(string time)

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
        TimePickerCompact {
            id: picker
            Layout.rightMargin: 16
            accessibleName: caption.text
            onEdited: (time) => timeRow.edited(time)
        }
    }

    CardContent {
        padding: 0
        spacing: 0

        ToggleRow {
            objectName: "downtimeToggle"
            title: "Downtime"
            subtitle: "Computer is locked during this time"
            icon: "moon.fill"
            iconColor: Theme.indigo
            isOn: root.policy.downtimeEnabled
            onToggled: (on) => root.vm.startSetDowntimeEnabled(on)
        }

        ColumnLayout {
            objectName: "downtimeRows"
            Layout.fillWidth: true
            visible: root.policy.downtimeEnabled
            spacing: 0

            RowDivider { inset: 44 }
            SubHeader { text: "Default"; resetVisible: false }
            TimeRow {
                label: "Start"
                pickerName: "defaultStartPicker"
                time: root.policy.downtimeStart
                onEdited: (time) => root.vm.startSetDowntimeStart(time)
            }
            TimeRow {
                label: "End"
                pickerName: "defaultEndPicker"
                time: root.policy.downtimeEnd
                onEdited: (time) => root.vm.startSetDowntimeEnd(time)
            }

            RowDivider { inset: 44 }
            SubHeader {
                text: "Weekdays (Mon\u2013Fri)"
                resetName: "weekdayResetButton"
                resetVisible: root.rows.weekdayOverridden
                onResetClicked: root.vm.startClearDowntimeWeekdayOverride()
            }
            TimeRow {
                label: "Start"
                pickerName: "weekdayStartPicker"
                time: root.rows.weekdayStart
                onEdited: (time) => root.vm.startUpdatePolicy({ downtimeWeekdayStart: time })
            }
            TimeRow {
                label: "End"
                pickerName: "weekdayEndPicker"
                time: root.rows.weekdayEnd
                onEdited: (time) => root.vm.startUpdatePolicy({ downtimeWeekdayEnd: time })
            }

            RowDivider { inset: 44 }
            SubHeader {
                text: "Weekends (Sat\u2013Sun)"
                resetName: "weekendResetButton"
                resetVisible: root.rows.weekendOverridden
                onResetClicked: root.vm.startClearDowntimeWeekendOverride()
            }
            TimeRow {
                label: "Start"
                pickerName: "weekendStartPicker"
                time: root.rows.weekendStart
                onEdited: (time) => root.vm.startUpdatePolicy({ downtimeWeekendStart: time })
            }
            TimeRow {
                label: "End"
                pickerName: "weekendEndPicker"
                time: root.rows.weekendEnd
                onEdited: (time) => root.vm.startUpdatePolicy({ downtimeWeekendEnd: time })
                Layout.bottomMargin: 12
            }
        }
    }
}
