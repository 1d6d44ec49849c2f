import QtQuick
import QtQuick.Controls

// The start-up baseline: what any Qt Quick Controls window costs.
ApplicationWindow {
    width: 500
    height: 700
    visible: true
    title: "Bare"

    Button {
        objectName: "bareButton"
        anchors.centerIn: parent
        text: "Sign In"
    }
}
