import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// Sign in or sign up, and the folding service address area.
Item {
    id: root

    required property AuthViewModel authVM

    property bool isRegister: modeSwitch.currentIndex === 1
    property bool showServerSettings: false

    ScrollView {
        id: scroll
        anchors.fill: parent
        contentWidth: availableWidth
        ScrollBar.vertical.policy: ScrollBar.AsNeeded

        Item {
            width: scroll.availableWidth
            implicitHeight: Math.max(500, column.implicitHeight)

            ColumnLayout {
                id: column
                width: Math.min(400, parent.width)
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.verticalCenter: parent.verticalCenter
                spacing: 24

                Item { Layout.preferredHeight: 40 }

                ColumnLayout {
                    Layout.alignment: Qt.AlignHCenter
                    spacing: 8
                    SymbolImage {
                        objectName: "appSymbol"
                        Layout.alignment: Qt.AlignHCenter
                        name: "clock.badge.checkmark"
                        size: 56
                        color: Theme.blue
                    }
                    Label {
                        Layout.alignment: Qt.AlignHCenter
                        text: "Lumaro"
                        font: Theme.largeTitle
                        color: Theme.primary
                    }
                    Label {
                        Layout.alignment: Qt.AlignHCenter
                        text: "Parental controls for macOS"
                        font: Theme.body
                        color: Theme.secondary
                    }
                }

                SegmentedControl {
                    id: modeSwitch
                    objectName: "modeSwitch"
                    Layout.fillWidth: true
                    Layout.leftMargin: Theme.padding
                    Layout.rightMargin: Theme.padding
                    model: ["Sign In", "Sign Up"]
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: Theme.padding
                    Layout.rightMargin: Theme.padding
                    spacing: 16
                    TextField {
                        id: nameField
                        objectName: "nameField"
                        Layout.fillWidth: true
                        visible: root.isRegister
                        placeholderText: "Name"
                        Accessible.name: "Name"
                        font: Theme.body
                    }
                    TextField {
                        id: emailField
                        objectName: "emailField"
                        Layout.fillWidth: true
                        placeholderText: "Email"
                        Accessible.name: "Email"
                        font: Theme.body
                        inputMethodHints: Qt.ImhEmailCharactersOnly | Qt.ImhNoAutoUppercase
                    }
                    TextField {
                        id: passwordField
                        objectName: "passwordField"
                        Layout.fillWidth: true
                        placeholderText: "Password"
                        Accessible.name: "Password"
                        echoMode: TextInput.Password
                        font: Theme.body
                    }
                }

                Label {
                    objectName: "errorText"
                    Layout.fillWidth: true
                    Layout.leftMargin: Theme.padding
                    Layout.rightMargin: Theme.padding
                    visible: root.authVM.error !== undefined
                    text: root.authVM.error !== undefined ? root.authVM.error : ""
                    color: Theme.red
                    font: Theme.callout
                    wrapMode: Text.Wrap
                }

                ProminentButton {
                    id: submit
                    objectName: "submitButton"
                    Layout.fillWidth: true
                    Layout.leftMargin: Theme.padding
                    Layout.rightMargin: Theme.padding
                    large: true
                    busy: root.authVM.isLoading
                    text: root.isRegister ? "Create Account" : "Sign In"
                    enabled: root.authVM.canSubmit(emailField.text, passwordField.text)
                    onClicked: {
                        if (root.isRegister)
                            root.authVM.startRegister(nameField.text, emailField.text, passwordField.text)
                        else
                            root.authVM.startLogin(emailField.text, passwordField.text)
                    }
                }

                Button {
                    objectName: "serverSettingsButton"
                    Layout.alignment: Qt.AlignHCenter
                    flat: true
                    Accessible.name: "Server Settings"
                    onClicked: root.showServerSettings = !root.showServerSettings
                    contentItem: Row {
                        spacing: 6
                        SymbolImage {
                            name: "server.rack"
                            size: 15
                            color: Theme.secondary
                            anchors.verticalCenter: parent.verticalCenter
                        }
                        Text {
                            text: "Server Settings"
                            font: Theme.callout
                            color: Theme.secondary
                            anchors.verticalCenter: parent.verticalCenter
                        }
                    }
                    background: Item {}
                }

                ColumnLayout {
                    objectName: "serverSettingsArea"
                    Layout.fillWidth: true
                    Layout.leftMargin: Theme.padding
                    Layout.rightMargin: Theme.padding
                    visible: root.showServerSettings
                    spacing: 8
                    Label {
                        text: "Server URL"
                        font: Theme.caption
                        color: Theme.secondary
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8
                        TextField {
                            id: serverField
                            objectName: "serverField"
                            Layout.fillWidth: true
                            placeholderText: root.authVM.defaultServerURL
                            Accessible.name: "Server URL"
                            font: Theme.body
                            text: root.authVM.serverURL
                            onTextEdited: root.authVM.serverURL = text
                        }
                        Button {
                            objectName: "serverOkButton"
                            text: "OK"
                            Accessible.name: "OK"
                            onClicked: {
                                root.authVM.saveServerURL()
                                root.showServerSettings = false
                            }
                        }
                    }
                }

                Item { Layout.preferredHeight: 40 }
            }
        }
    }
}
