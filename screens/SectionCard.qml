import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The look every detail section shares: a title above a material card with
// rounded corners. Children go into the card.
ColumnLayout {
    id: section

    property string title: ""
    // Replaces the plain title (e.g. a title with a button beside it).
    property Component header: null
    default property alias content: card.data
    property alias card: card

    spacing: 12

    Label {
        visible: section.header === null && section.title !== ""
        text: section.title
        font: Theme.title2
        color: Theme.primary
    }
    Loader {
        Layout.fillWidth: true
        active: section.header !== null
        visible: active
        sourceComponent: section.header
    }
    Rectangle {
        id: card
        Layout.fillWidth: true
        implicitHeight: childrenRect.height
        radius: Theme.cardRadius
        color: Theme.material
        border.color: Theme.separator
        border.width: Theme.dark ? 0 : 0.5
        antialiasing: true
        clip: true
    }
}
