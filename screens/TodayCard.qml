import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// Today's use against the daily limit, with the device's online state.
Rectangle {
    id: root

    required property DeviceDetailViewModel vm
    // Bumped by the screen's clock so the online state ages without a reload.
    property int clockTick: 0

    readonly property bool hasDevice: vm.device !== undefined
    readonly property bool online: hasDevice && clockTick >= 0 && vm.deviceIsOnline()

    objectName: "todayCard"
    implicitHeight: content.implicitHeight + 2 * Theme.padding
    radius: Theme.cardRadius
    color: Theme.material
    border.color: Theme.separator
    border.width: Theme.dark ? 0 : 0.5
    antialiasing: true

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: Theme.padding
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Today"
                font: Theme.headline
                color: Theme.primary
            }
            Item { Layout.fillWidth: true }
            RowLayout {
                objectName: "onlineState"
                visible: root.hasDevice
                spacing: 4
                Rectangle {
                    objectName: "onlineDot"
                    implicitWidth: 8
                    implicitHeight: 8
                    radius: 4
                    color: root.online ? Theme.green : Qt.rgba(Theme.gray.r, Theme.gray.g, Theme.gray.b, 0.3)
                }
                Label {
                    objectName: "onlineText"
                    text: root.online ? "Online" : "Offline"
                    font: Theme.caption
                    color: Theme.secondary
                }
            }
        }

        RowLayout {
            Layout.alignment: Qt.AlignHCenter
            spacing: 8
            Label {
                objectName: "usedTodayText"
                Layout.alignment: Qt.AlignBaseline
                text: TodaySummary.usedText(root.vm.usedToday)
                font.pixelSize: 40
                font.bold: true
                color: Theme.primary
            }
            Label {
                objectName: "limitText"
                Layout.alignment: Qt.AlignBaseline
                text: TodaySummary.limitText(root.vm.limitMinutes)
                font: Theme.body
                color: Theme.secondary
            }
        }

        Item {
            objectName: "usageBar"
            Layout.fillWidth: true
            implicitHeight: 12

            Rectangle {
                anchors.fill: parent
                radius: 6
                color: Qt.rgba(Theme.gray.r, Theme.gray.g, Theme.gray.b, 0.15)
            }
            Rectangle {
                objectName: "usageBarFill"
                height: parent.height
                // Animated apart from the width, so resizing the window does not lag.
                property real fraction: root.vm.usagePercent
                width: parent.width * fraction
                radius: 6
                color: Theme[TodaySummary.barColorName(root.vm.usagePercent)]
                // The curve of a critically damped spring settling in about half a second.
                Behavior on fraction {
                    NumberAnimation {
                        duration: 600
                        easing.type: Easing.BezierSpline
                        easing.bezierCurve: [0.28, 0.36, 0.14, 1.0, 1, 1]
                    }
                }
            }
        }
    }
}
