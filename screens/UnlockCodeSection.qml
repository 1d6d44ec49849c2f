import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The unlock code the parent reads out, with its countdown. The code timer of
// the state object runs only while this section is on screen.
SectionCard {
    id: root

    required property DeviceDetailViewModel vm

    readonly property bool hasCode: vm !== null && vm.currentTOTPCode !== undefined
    readonly property string code: hasCode ? vm.currentTOTPCode : ""
    property bool timerRunning: false

    title: "Unlock Code"

    // `visible` is the effective visibility: it turns false when the page is
    // covered by a pushed one or hidden by its own frame.
    function syncTimer() {
        const wanted = visible && vm !== null
        if (wanted === timerRunning)
            return
        timerRunning = wanted
        if (wanted)
            vm.startTOTPGeneration()
        else
            vm.stopTOTPGeneration()
    }

    Component.onCompleted: syncTimer()
    // A device arriving after the timer started shows its code at once, not a tick later.
    Connections {
        target: root.vm
        enabled: root.timerRunning
        function onDeviceChanged() { root.vm.startTOTPGeneration() }
    }
    onVisibleChanged: syncTimer()
    Component.onDestruction: {
        if (timerRunning && vm)
            vm.stopTOTPGeneration()
    }

    CardContent {
        spacing: 16

        Label {
            Layout.fillWidth: true
            text: "Tell this code to your child \u2014 unlocks for 5 minutes"
            font: Theme.subheadline
            color: Theme.secondary
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }

        Button {
            id: codeButton
            objectName: "unlockCodeButton"
            Layout.fillWidth: true
            visible: root.hasCode
            flat: true
            text: root.code
            // Tracking also follows the last digit; padding on the left keeps the digits centred.
            leftPadding: 8
            rightPadding: 0
            topPadding: 0
            bottomPadding: 0
            font.family: Theme.monospaceFamily
            font.pixelSize: 48
            font.bold: true
            font.letterSpacing: 8
            Accessible.name: "Unlock code " + root.code + ", click to copy"
            ToolTip.visible: hovered
            ToolTip.delay: 500
            ToolTip.text: "Click to copy"
            onClicked: Presentation.copyText(root.code)
            contentItem: Text {
                text: codeButton.text
                font: codeButton.font
                color: Theme.primary
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                radius: Theme.controlRadius
                color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b,
                               codeButton.down ? 0.1 : (codeButton.hovered ? 0.05 : 0))
            }
        }

        Label {
            objectName: "unlockValidFor"
            Layout.alignment: Qt.AlignHCenter
            visible: root.hasCode
            text: Countdown.validForText(root.vm ? root.vm.totpSecondsRemaining : 0)
            font: Theme.caption
            color: Theme.secondary
        }

        Item {
            objectName: "unlockCountdownBar"
            Layout.fillWidth: true
            implicitHeight: 4
            visible: root.hasCode

            Rectangle {
                objectName: "unlockCountdownTrack"
                anchors.fill: parent
                radius: 2
                color: Qt.rgba(Theme.blue.r, Theme.blue.g, Theme.blue.b, 0.15)
            }
            Rectangle {
                objectName: "unlockCountdownFill"
                height: parent.height
                width: parent.width * Countdown.codeFraction(root.vm ? root.vm.totpSecondsRemaining : 0)
                radius: 2
                color: Theme.blue
            }
        }

        Label {
            objectName: "unlockNoSecret"
            Layout.fillWidth: true
            visible: !root.hasCode
            text: "Secret not configured"
            font: Theme.body
            color: Theme.secondary
            horizontalAlignment: Text.AlignHCenter
        }
    }
}
