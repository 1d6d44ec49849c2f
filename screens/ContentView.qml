import QtQuick
import QtQuick.Controls
import Lumaro.State

// The window's root: the signed-in navigation stack, or the sign-in screen.
// Each side is built afresh when it appears, so signing out shows a clean
// sign-in screen.
Item {
    id: root

    required property AuthViewModel authVM

    Loader {
        id: signedIn
        objectName: "signedInPart"
        anchors.fill: parent
        active: root.authVM.isAuthenticated
        opacity: active ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
        sourceComponent: StackView {
            id: stack
            objectName: "navigationStack"
            initialItem: DevicesListView {
                authVM: root.authVM
            }
        }
    }

    Loader {
        id: signIn
        objectName: "signInPart"
        anchors.fill: parent
        active: !root.authVM.isAuthenticated
        opacity: active ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
        sourceComponent: LoginView {
            authVM: root.authVM
        }
    }
}
