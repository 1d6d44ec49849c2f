import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// A duration with − and + buttons, 15 minutes to 12 hours in steps of 15.
// It shows `minutes` only: a step is reported through `stepped`, computed
// from the figure on show, and the figure moves once `minutes` does.
RowLayout {
    id: root

    property int minutes: 0
    // The figure is a default rather than a value of its own.
    property bool dimmed: false
    property string accessibleName: ""

    signal stepped(int minutes)

    function step(direction) {
        const next = MinuteSteps.step(minutes, direction)
        if (next !== undefined)
            stepped(next)
    }

    spacing: 8

    Label {
        objectName: root.objectName + "Value"
        Layout.minimumWidth: 58
        horizontalAlignment: Text.AlignRight
        text: MinuteSteps.text(root.minutes)
        font.pixelSize: Theme.body.pixelSize
        font.weight: root.dimmed ? Font.Normal : Font.Medium
        color: root.dimmed ? Theme.secondary : Theme.primary
    }

    // One bordered control split in two, like a desktop stepper.
    Rectangle {
        implicitWidth: 58
        implicitHeight: 24
        radius: 6
        color: Theme.fieldBackground
        border.color: Theme.separator
        border.width: 1
        activeFocusOnTab: true
        Accessible.role: Accessible.SpinBox
        Accessible.name: root.accessibleName
        Keys.onUpPressed: root.step(1)
        Keys.onDownPressed: root.step(-1)

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 1
            height: parent.height - 8
            anchors.verticalCenter: parent.verticalCenter
            color: Theme.separator
        }
        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            color: "transparent"
            border.color: Theme.accent
            border.width: 2
            visible: parent.activeFocus
        }

        Row {
            anchors.fill: parent
            Repeater {
                model: [{ name: "Decrement", label: "\u2212", direction: -1 },
                        { name: "Increment", label: "+", direction: 1 }]
                delegate: AbstractButton {
                    id: half
                    required property var modelData
                    objectName: root.objectName + modelData.name
                    width: 29
                    height: 24
                    enabled: MinuteSteps.canStep(root.minutes, modelData.direction)
                    autoRepeat: true
                    focusPolicy: Qt.NoFocus
                    Accessible.name: (modelData.direction > 0 ? "Increase " : "Decrease ") + root.accessibleName
                    onClicked: root.step(modelData.direction)
                    contentItem: Text {
                        text: half.modelData.label
                        font.pixelSize: 15
                        color: Theme.primary
                        opacity: half.enabled ? 1 : 0.3
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                    }
                    background: Rectangle {
                        radius: 6
                        color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, half.down ? 0.12 : 0)
                    }
                }
            }
        }
    }
}
