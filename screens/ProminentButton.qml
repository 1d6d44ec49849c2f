import QtQuick
import QtQuick.Controls

// The filled accent button; `busy` shows a spinner in place of the label.
Button {
    id: control

    property bool busy: false
    property bool large: false
    property color fill: Theme.accent

    implicitHeight: large ? Theme.largeControlHeight : Theme.controlHeight
    font: Theme.body
    Accessible.name: text

    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight
        Text {
            id: label
            anchors.centerIn: parent
            visible: !control.busy
            text: control.text
            font: control.font
            color: Theme.textOnAccent
        }
        BusyIndicator {
            objectName: "busyIndicator"
            anchors.centerIn: parent
            visible: control.busy
            running: control.busy
            height: parent.height - 4
            width: height
        }
    }

    background: Rectangle {
        radius: Theme.controlRadius
        color: control.down ? Qt.darker(control.fill, 1.15) : control.fill
        opacity: control.enabled ? 1 : 0.45
    }
}
