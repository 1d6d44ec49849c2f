import QtQuick
import QtQuick.Controls
import Lumaro.State

// The signed-in screens: the device list first, detail screens pushed on it.
StackView {
    id: stack

    required property AuthViewModel authVM

    objectName: "navigationStack"
    initialItem: DevicesListView {
        authVM: stack.authVM
    }
}
