import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A label and a pair of step buttons editing a whole number within bounds.
RowLayout {
    id: root

    property string text: ""
    property int value: 0
    property int from: 0
    property int to: 100
    property int stepSize: 1

    spacing: 8

    Label {
        objectName: root.objectName + "Label"
        Layout.fillWidth: true
        text: root.text
        font: Theme.body
        color: Theme.primary
    }
    BorderedButton {
        objectName: root.objectName + "Decrement"
        text: "\u2212"
        implicitWidth: 34
        enabled: root.value > root.from
        Accessible.name: "Decrease " + root.text
        onClicked: root.value = Math.max(root.from, root.value - root.stepSize)
        autoRepeat: true
    }
    BorderedButton {
        objectName: root.objectName + "Increment"
        text: "+"
        implicitWidth: 34
        enabled: root.value < root.to
        Accessible.name: "Increase " + root.text
        onClicked: root.value = Math.min(root.to, root.value + root.stepSize)
        autoRepeat: true
    }
}
