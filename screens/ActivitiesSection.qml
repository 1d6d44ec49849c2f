import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The device's weekly activities, each with its switch and delete button;
// the add button opens the add-activity sheet.
SectionCard {
    id: root

    required property DeviceDetailViewModel vm

    header: Component {
        RowLayout {
            Label {
                text: "Scheduled Activities"
                font: Theme.title2
                color: Theme.primary
            }
            Item { Layout.fillWidth: true }
            IconButton {
                objectName: "addActivityButton"
                symbol: "plus.circle.fill"
                Accessible.name: "Add Activity"
                contentItem: SymbolImage {
                    name: "plus.circle.fill"
                    size: Theme.title2.pixelSize + 3
                    color: Theme.accent
                }
                onClicked: addSheet.open()
            }
        }
    }

    AddActivityView {
        id: addSheet
        vm: root.vm
    }

    CardContent {
        padding: 0
        spacing: 0

        Label {
            objectName: "noActivitiesText"
            Layout.fillWidth: true
            Layout.margins: Theme.padding
            visible: activityRows.count === 0
            text: "No activities yet"
            font: Theme.body
            color: Theme.secondary
            horizontalAlignment: Text.AlignHCenter
        }

        Repeater {
            id: activityRows
            model: root.vm.activities
            delegate: ColumnLayout {
                id: row

                required property var modelData
                required property int index

                Layout.fillWidth: true
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
                            text: row.modelData.name
                            font: Theme.body
                            color: row.modelData.enabled ? Theme.primary : Theme.secondary
                            elide: Text.ElideRight
                        }
                        Label {
                            objectName: "activityDetails"
                            text: row.modelData.detailsText
                            font: Theme.caption
                            color: Theme.secondary
                        }
                    }

                    Switch {
                        id: toggle
                        objectName: "activitySwitch"
                        Accessible.name: row.modelData.name
                        checked: row.modelData.enabled
                        // The state object flips `enabled`; the switch follows its answer.
                        onToggled: {
                            root.vm.startToggleActivity(row.modelData.id)
                            checked = Qt.binding(() => row.modelData.enabled)
                        }
                    }

                    IconButton {
                        objectName: "activityDelete"
                        symbol: "trash"
                        tint: Theme.red
                        Accessible.name: "Delete " + row.modelData.name
                        onClicked: root.vm.startDeleteActivity(row.modelData.id)
                    }
                }

                RowDivider {
                    objectName: "activityDivider"
                    // The repeater's count: reading the list here would copy it for every row.
                    visible: row.index < activityRows.count - 1
                }
            }
        }
    }
}
