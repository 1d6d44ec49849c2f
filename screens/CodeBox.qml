import QtQuick
import QtQuick.Controls

// Text the parent copies by hand: monospaced, selectable, on a gray box.
Rectangle {
    id: box

    property alias text: field.text
    property real pixelSize: Theme.body.pixelSize

    implicitWidth: field.implicitWidth + 16
    implicitHeight: field.implicitHeight + 16
    radius: 8
    color: Qt.rgba(0.5, 0.5, 0.5, 0.1)

    TextEdit {
        id: field
        objectName: box.objectName !== "" ? box.objectName + "Text" : ""
        anchors.fill: parent
        anchors.margins: 8
        readOnly: true
        selectByMouse: true
        selectByKeyboard: true
        wrapMode: TextEdit.WrapAnywhere
        font.family: Theme.monospaceFamily
        font.pixelSize: box.pixelSize
        color: Theme.primary
        selectionColor: Theme.accent
        selectedTextColor: Theme.textOnAccent
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }
}
