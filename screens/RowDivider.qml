import QtQuick
import QtQuick.Layouts

// A hairline between card rows, inset on its leading edge.
Rectangle {
    property real inset: 16

    Layout.fillWidth: true
    Layout.leftMargin: inset
    implicitHeight: 1
    color: Theme.separator
}
