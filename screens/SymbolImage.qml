import QtQuick

// A symbol by the console's symbol names, drawn from the embedded Material
// Icons font. Every icon on screen comes from here.
Text {
    id: symbol

    required property string name
    property real size: 16

    // The one mapping from symbol names to Material Icons code points.
    readonly property var codePoints: ({
        "clock.badge.checkmark": 0xe858,    // alarm_on
        "server.rack": 0xe875,              // dns
        "plus": 0xe145,                     // add
        "person.circle": 0xe853,            // account_circle
        "desktopcomputer": 0xe30b,          // desktop_mac
        "checkmark.circle.fill": 0xe86c,    // check_circle
        "doc.on.doc": 0xe14d,               // content_copy
        "exclamationmark.triangle": 0xe002, // warning
        "pencil": 0xe3c9,                   // edit
        "moon.fill": 0xef44,                // bedtime
        "hourglass": 0xe88b,                // hourglass_empty
        "xmark.circle.fill": 0xe5c9,        // cancel
        "plus.circle.fill": 0xe147,         // add_circle
        "trash": 0xe872,                    // delete
        "arrow.clockwise": 0xe5d5,          // refresh
        "chevron.left": 0xe5cb              // chevron_left
    })

    text: codePoints[name] !== undefined ? String.fromCodePoint(codePoints[name]) : ""
    font.family: Theme.iconFamily
    font.pixelSize: size
    color: Theme.primary
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
    Accessible.ignored: true
}
