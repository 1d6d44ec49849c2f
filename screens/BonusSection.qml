import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// One-click bonus minutes for today, and the bonus time left.
SectionCard {
    id: root

    required property DeviceDetailViewModel vm

    readonly property bool bonusActive: vm.bonusRemainingSeconds !== undefined

    title: "Give Bonus Time"

    CardContent {
        spacing: 12

        Label {
            Layout.fillWidth: true
            text: "Temporarily unlock without changing the daily limit. The bonus does not count toward used time."
            font: Theme.subheadline
            color: Theme.secondary
            horizontalAlignment: Text.AlignLeft
            wrapMode: Text.Wrap
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            Repeater {
                model: [5, 10, 15]
                delegate: ProminentButton {
                    required property int modelData
                    objectName: "bonusButton" + modelData
                    // Equal shares of the row, whatever the label widths.
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    implicitHeight: implicitContentHeight + 16
                    text: "+" + modelData + " min"
                    enabled: !root.vm.isGrantingBonus
                    onClicked: root.vm.startGrantBonus(modelData)
                }
            }
        }

        RowLayout {
            objectName: "bonusActiveLine"
            Layout.alignment: Qt.AlignHCenter
            visible: root.bonusActive

            SymbolImage {
                name: "clock.badge.checkmark"
                size: 15
                color: Theme.green
            }
            Label {
                objectName: "bonusActiveText"
                text: root.bonusActive ? Countdown.bonusActiveText(root.vm.bonusRemainingSeconds) : ""
                font: Theme.caption
                color: Theme.secondary
            }
        }
    }
}
