import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The add-device sheet: a form for the two names, then the created device's
// token and the install command. The list builds a fresh sheet for every
// opening; a sheet destroys itself once closed and no create is running, so
// a create left running after "Close" still ends in the list's model.
Popup {
    id: root

    required property DevicesViewModel vm

    // The service's answer (a device map) once created; undefined before.
    property var createdDevice: undefined
    property bool isCreating: false
    readonly property bool isCreated: createdDevice !== undefined

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 450
    height: 400
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

    onOpened: nameField.forceActiveFocus()
    onClosed: {
        if (!isCreating)
            destroy()
    }

    function create() {
        if (!createButton.enabled)
            return
        isCreating = true
        vm.startCreateDevice(nameField.text, childField.text).then(function (device) {
            root.createdDevice = device
            root.isCreating = false
            if (!root.visible)
                root.destroy()
        })
    }

    contentItem: ColumnLayout {
        spacing: 0

        // The sheet's toolbar: cancel on the leading side, confirm on the trailing one.
        Item {
            Layout.fillWidth: true
            implicitHeight: 52
            BorderedButton {
                id: closeButton
                objectName: "closeSheetButton"
                anchors.left: parent.left
                anchors.leftMargin: 14
                anchors.verticalCenter: parent.verticalCenter
                text: "Close"
                onClicked: root.close()
            }
            Label {
                objectName: "sheetTitle"
                anchors.centerIn: parent
                text: root.isCreated ? "Done" : "New Device"
                font: Theme.headline
                color: Theme.primary
            }
            ProminentButton {
                id: createButton
                objectName: "createButton"
                anchors.right: parent.right
                anchors.rightMargin: 14
                anchors.verticalCenter: parent.verticalCenter
                implicitWidth: Math.max(72, implicitContentWidth + 28)
                visible: !root.isCreated
                text: "Create"
                busy: root.isCreating
                // Blanks count as characters: nothing is trimmed.
                enabled: nameField.text.length > 0 && childField.text.length > 0 && !root.isCreating
                onClicked: root.create()
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

            ColumnLayout {
                width: scroll.availableWidth
                spacing: 20

                Item { implicitHeight: 0 }

                FormSection {
                    objectName: "deviceForm"
                    Layout.fillWidth: true
                    Layout.leftMargin: 20
                    Layout.rightMargin: 20
                    visible: !root.isCreated
                    header: "New Device"
                    footer: "Enter the Mac name and child's name"
                    contentSpacing: 10

                    TextField {
                        id: nameField
                        objectName: "deviceNameField"
                        Layout.fillWidth: true
                        placeholderText: "Alex's MacBook"
                        Accessible.name: "Alex's MacBook"
                        font: Theme.body
                        onAccepted: root.create()
                    }
                    TextField {
                        id: childField
                        objectName: "childNameField"
                        Layout.fillWidth: true
                        placeholderText: "Alex"
                        Accessible.name: "Alex"
                        font: Theme.body
                        onAccepted: root.create()
                    }
                }

                FormSection {
                    objectName: "createdSection"
                    Layout.fillWidth: true
                    Layout.leftMargin: 20
                    Layout.rightMargin: 20
                    visible: root.isCreated
                    contentSpacing: 12

                    RowLayout {
                        spacing: 6
                        SymbolImage {
                            name: "checkmark.circle.fill"
                            size: 18
                            color: Theme.green
                        }
                        Label {
                            objectName: "createdLabel"
                            text: "Device created!"
                            font: Theme.headline
                            color: Theme.green
                        }
                    }
                    Label {
                        Layout.fillWidth: true
                        text: "Use this token when installing the agent on the child's Mac:"
                        font: Theme.callout
                        color: Theme.primary
                        wrapMode: Text.Wrap
                    }
                    CodeBox {
                        objectName: "tokenBox"
                        Layout.fillWidth: true
                        visible: root.isCreated && root.createdDevice.apiToken !== undefined
                        text: visible ? root.createdDevice.apiToken : ""
                        pixelSize: Theme.caption.pixelSize
                    }
                    BorderedButton {
                        objectName: "copyTokenButton"
                        visible: root.isCreated && root.createdDevice.apiToken !== undefined
                        text: "Copy Token"
                        symbol: "doc.on.doc"
                        onClicked: Presentation.copyText(root.createdDevice.apiToken)
                    }
                }

                FormSection {
                    objectName: "installSection"
                    Layout.fillWidth: true
                    Layout.leftMargin: 20
                    Layout.rightMargin: 20
                    visible: root.isCreated
                    header: "Agent Installation"
                    contentSpacing: 10

                    Label {
                        text: "Run on the child's Mac:"
                        font: Theme.callout
                        color: Theme.primary
                    }
                    CodeBox {
                        objectName: "installCommandBox"
                        Layout.fillWidth: true
                        text: "sudo ./install.sh"
                        pixelSize: Theme.body.pixelSize
                    }
                }

                Item { implicitHeight: 0 }
            }
        }
    }
}
