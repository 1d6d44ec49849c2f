import QtQuick
import QtQuick.Controls
import Lumaro.State

// The console's one window.
ApplicationWindow {
    id: window

    required property AuthViewModel authVM

    width: 500
    height: 700
    minimumWidth: 420
    minimumHeight: 500
    visible: true
    title: "Lumaro"
    color: Theme.background

    ContentView {
        anchors.fill: parent
        authVM: window.authVM
    }
}
