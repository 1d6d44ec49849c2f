import QtQuick
import QtQuick.Controls
import Lumaro.State

// The window's root: the signed-in navigation stack, or the sign-in screen.
// Each side is built afresh when it appears, so signing out shows a clean
// sign-in screen.
Item {
    id: root

    required property AuthViewModel authVM

    // Each side is loaded by address, so a start shows its screen without
    // first compiling the other side's.
    Loader {
        id: signedIn
        objectName: "signedInPart"
        readonly property bool wanted: root.authVM !== null && root.authVM.isAuthenticated
        anchors.fill: parent
        opacity: wanted ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
        onWantedChanged: root.show(signedIn, "NavigationStack.qml")
        Component.onCompleted: root.show(signedIn, "NavigationStack.qml")
    }

    Loader {
        id: signIn
        objectName: "signInPart"
        readonly property bool wanted: root.authVM !== null && !root.authVM.isAuthenticated
        anchors.fill: parent
        opacity: wanted ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200 } }
        onWantedChanged: root.show(signIn, "LoginView.qml")
        Component.onCompleted: root.show(signIn, "LoginView.qml")
    }

    // Called on creation and on every change, which the first binding of
    // authVM can also bring: a side already loaded is kept, not built twice.
    function show(loader, file) {
        if (!loader.wanted)
            loader.source = ""
        else if (loader.status === Loader.Null)
            loader.setSource(file, { authVM: root.authVM })
    }
}
