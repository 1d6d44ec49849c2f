import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A failure that happened while the screen's content stays on show: a failed
// edit, reload or delete must not pass unnoticed. It stays until the parent
// closes it; the next failure brings it back with its own text.
Rectangle {
    id: root
    objectName: "errorBanner"

    // Any model with an optional `error` text, its change signal and
    // `errorRaised`, sent on every failure.
    required property QtObject vm
    // False where the screen shows the error in its own place.
    property bool applies: true
    property bool dismissed: false

    visible: applies && vm.error !== undefined && !dismissed
    implicitHeight: row.implicitHeight + 16
    radius: Theme.controlRadius
    color: Theme.dark ? "#3a1d1b" : "#fdecea"
    border.color: Theme.red
    border.width: 1

    Connections {
        target: root.vm
        function onErrorRaised() { root.dismissed = false }
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 4
        spacing: 8

        SymbolImage {
            name: "exclamationmark.triangle"
            size: 18
            color: Theme.red
        }
        Label {
            objectName: "errorBannerText"
            Layout.fillWidth: true
            text: root.vm.error !== undefined ? root.vm.error : ""
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.callout
            color: Theme.primary
        }
        IconButton {
            objectName: "errorBannerClose"
            symbol: "xmark.circle.fill"
            tint: Theme.secondary
            Accessible.name: "Dismiss"
            onClicked: root.dismissed = true
        }
    }
}
