import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A modal form sheet: "Cancel", the title and a confirm button above a form
// that is built afresh at every opening, so each opening starts from the
// form's defaults.
Popup {
    id: sheet

    property string title: ""
    property string confirmText: ""
    property bool confirmEnabled: true
    property Component form: null
    readonly property Item formItem: formLoader.item
    // True while the call started by the current opening runs.
    property bool isSaving: false
    // Counts openings, so a call left running after "Cancel" cannot close or
    // unlock a later opening when it returns.
    property int opening: 0

    signal confirmed()

    // Marks the sheet busy until `task` finishes, then closes it, whatever the outcome.
    function closeWhenDone(task) {
        const mine = opening
        isSaving = true
        task.then(function () {
            if (mine !== sheet.opening)
                return
            sheet.isSaving = false
            sheet.close()
        })
    }

    function confirm() {
        if (confirmButton.enabled)
            confirmed()
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 0
    closePolicy: Popup.CloseOnEscape

    Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, Theme.dark ? 0.45 : 0.22) }

    background: Rectangle {
        radius: 12
        color: Theme.background
        border.color: Theme.separator
        border.width: 1
    }

    onAboutToShow: {
        opening += 1
        isSaving = false
        formLoader.active = false
        formLoader.active = true
    }
    onClosed: formLoader.active = false

    contentItem: ColumnLayout {
        spacing: 0

        Item {
            Layout.fillWidth: true
            implicitHeight: 52
            BorderedButton {
                objectName: "sheetCancelButton"
                anchors.left: parent.left
                anchors.leftMargin: 14
                anchors.verticalCenter: parent.verticalCenter
                text: "Cancel"
                onClicked: sheet.close()
            }
            Label {
                objectName: "sheetTitle"
                anchors.centerIn: parent
                text: sheet.title
                font: Theme.headline
                color: Theme.primary
            }
            ProminentButton {
                id: confirmButton
                objectName: "sheetConfirmButton"
                anchors.right: parent.right
                anchors.rightMargin: 14
                anchors.verticalCenter: parent.verticalCenter
                implicitWidth: Math.max(72, implicitContentWidth + 28)
                text: sheet.confirmText
                busy: sheet.isSaving
                enabled: sheet.confirmEnabled && !sheet.isSaving
                onClicked: sheet.confirmed()
            }
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Theme.separator
            }
        }

        ScrollView {
            id: scroll
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            Item {
                width: scroll.availableWidth
                implicitHeight: formLoader.implicitHeight + 40

                Loader {
                    id: formLoader
                    x: 20
                    y: 20
                    width: parent.width - 40
                    active: false
                    sourceComponent: sheet.form
                }
            }
        }
    }
}
