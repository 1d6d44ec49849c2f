import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The device's weekly activities, each with its switch and delete button;
// the add button opens the add-activity sheet.
SectionCard {
    id: root

    required property DeviceDetailViewModel vm
    // The part of the section the scroll view shows, in the section's own
    // coordinates; the whole section when nothing scrolls it.
    property real visibleTop: 0
    property real visibleBottom: Number.POSITIVE_INFINITY
    readonly property real rowHeight: prototype.implicitHeight
    readonly property real buildMargin: Math.max(1500, 2 * (visibleBottom - visibleTop))

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

        // Every row has the same height, so a row's place is known without
        // building it: only the rows in view (and a screen around them) are built.
        Repeater {
            id: activityRows
            model: root.vm.activities
            delegate: Item {
                id: slot

                required property var modelData
                required property int index
                readonly property bool last: index === activityRows.count - 1
                readonly property real rowTop: root.card.y + index * root.rowHeight

                Layout.fillWidth: true
                Layout.preferredHeight: root.rowHeight - (last ? prototype.dividerHeight : 0)

                Loader {
                    width: parent.width
                    active: slot.rowTop + root.rowHeight >= root.visibleTop - root.buildMargin
                            && slot.rowTop <= root.visibleBottom + root.buildMargin
                    sourceComponent: ActivityRow {
                        vm: root.vm
                        activity: slot.modelData
                        last: slot.last
                    }
                }
            }
        }

        // Never shown, so the layout leaves it out: it gives every row's height.
        ActivityRow {
            id: prototype
            readonly property real dividerHeight: 1
            visible: false
            Layout.fillWidth: true
            vm: root.vm
            activity: ({ name: "", detailsText: "", enabled: true, id: "" })
            last: false
        }
    }
}
