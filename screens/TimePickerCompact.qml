import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// A time of day as two fields, hour and minute, each editable by its arrows,
// the Up and Down keys, typed digits, or the wheel while focused (so a wheel
// passing over the page scrolls it instead). `time` is read with TimeOfDay's
// rules; every change by the user reports "HH:mm" through `edited`, nothing
// else does. A new `time` (the service's answer, a reset) moves the fields.
RowLayout {
    id: root

    property string time: ""
    property string accessibleName: ""
    // What the fields show now, "HH:mm".
    readonly property string shownTime: TimeOfDay.text(hours.value, minutes.value)

    signal edited(string time)

    function show() {
        hours.value = TimeOfDay.hourOf(time)
        minutes.value = TimeOfDay.minuteOf(time)
    }

    Component.onCompleted: show()
    onTimeChanged: show()

    spacing: 2

    component Part: SpinBox {
        id: part
        editable: true
        wrap: true
        wheelEnabled: activeFocus
        implicitWidth: 62
        font.pixelSize: Theme.body.pixelSize
        font.family: Theme.monospaceFamily
        inputMethodHints: Qt.ImhDigitsOnly
        validator: IntValidator { bottom: part.from; top: part.to }
        textFromValue: (value) => (value < 10 ? "0" : "") + value
        valueFromText: (text) => parseInt(text, 10)
    }

    Part {
        id: hours
        objectName: root.objectName + "Hour"
        from: 0
        to: 23
        Accessible.name: root.accessibleName + " hour"
        onValueModified: root.edited(TimeOfDay.text(hours.value, minutes.value))
    }
    Label {
        text: ":"
        font: Theme.body
        color: Theme.secondary
    }
    Part {
        id: minutes
        objectName: root.objectName + "Minute"
        from: 0
        to: 59
        Accessible.name: root.accessibleName + " minute"
        onValueModified: root.edited(TimeOfDay.text(hours.value, minutes.value))
    }
}
