import QtQuick
import QtQuick.Controls

// A two-or-more segment picker; `currentIndex` is the chosen segment.
Rectangle {
    id: root

    property var model: []
    property int currentIndex: 0

    implicitHeight: Theme.controlHeight
    radius: Theme.controlRadius
    color: Theme.dark ? "#3a3a3c" : "#e3e3e8"

    Row {
        anchors.fill: parent
        anchors.margins: 2
        Repeater {
            model: root.model
            delegate: Rectangle {
                id: segment
                required property string modelData
                required property int index
                objectName: "segment_" + modelData
                width: (root.width - 4) / root.model.length
                height: parent.height
                radius: Theme.controlRadius - 2
                color: root.currentIndex === index ? (Theme.dark ? "#636366" : "#ffffff") : "transparent"
                Accessible.role: Accessible.PageTab
                Accessible.name: modelData
                Accessible.checked: root.currentIndex === index
                Text {
                    anchors.centerIn: parent
                    text: segment.modelData
                    font: Theme.callout
                    color: Theme.primary
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: root.currentIndex = segment.index
                }
            }
        }
    }
}
