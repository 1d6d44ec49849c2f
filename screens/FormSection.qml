import QtQuick
import QtQuick.Layouts

// One grouped section of a form: an optional header above a card and an
// optional footer below it. Children go into the card, top to bottom.
ColumnLayout {
    id: section

    property string header: ""
    property string footer: ""
    property int contentSpacing: 12
    default property alias content: card.data

    spacing: 6

    Text {
        Layout.leftMargin: 4
        visible: section.header !== ""
        text: section.header
        font: Theme.subheadline
        color: Theme.secondary
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: card.implicitHeight + 2 * 12
        radius: Theme.cardRadius - 6
        color: Theme.material
        border.color: Theme.separator
        border.width: Theme.dark ? 0 : 0.5

        ColumnLayout {
            id: card
            anchors.fill: parent
            anchors.margins: 12
            spacing: section.contentSpacing
        }
    }

    Text {
        Layout.leftMargin: 4
        Layout.fillWidth: true
        visible: section.footer !== ""
        text: section.footer
        font: Theme.caption
        color: Theme.secondary
        wrapMode: Text.Wrap
    }
}
