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

        // Every row has the same height, so the area is as tall as all rows
        // without building them. A view the size of what the scroll view
        // shows slides inside it, scrolled by as much as it slid, and builds
        // only the rows it covers.
        Item {
            id: rowsArea
            Layout.fillWidth: true
            Layout.preferredHeight: activityRows.count > 0
                                    ? activityRows.count * root.rowHeight - prototype.dividerHeight : 0
            visible: activityRows.count > 0

            ListView {
                id: activityRows
                // Where the area starts in the section's coordinates.
                readonly property real areaTop: root.card.y + rowsArea.y
                readonly property real offset: Math.max(0, Math.min(rowsArea.height - height,
                                                                     root.visibleTop - areaTop))

                width: parent.width
                height: Math.min(rowsArea.height, root.visibleBottom - root.visibleTop)
                y: offset
                contentY: offset
                interactive: false
                // The view may reset its position when the list changes; keep it on the slide.
                onCountChanged: contentY = Qt.binding(() => offset)
                model: root.vm.activities
                delegate: ActivityRow {
                    required property var modelData
                    required property int index
                    width: ListView.view.width
                    vm: root.vm
                    activity: modelData
                    last: index === activityRows.count - 1
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
