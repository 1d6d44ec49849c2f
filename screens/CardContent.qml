import QtQuick
import QtQuick.Layouts

// The inner column of a section card, with the card's padding around it.
// Children stack top to bottom.
Item {
    id: root

    property real padding: Theme.padding
    property alias spacing: column.spacing
    default property alias content: column.data

    width: parent ? parent.width : implicitWidth
    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding

    ColumnLayout {
        id: column
        x: root.padding
        y: root.padding
        width: root.width - 2 * root.padding
    }
}
