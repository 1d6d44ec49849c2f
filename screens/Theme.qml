pragma Singleton
import QtQuick

// Named text styles, colours and radii for every screen; light and dark
// palettes follow the system palette.
QtObject {
    id: theme

    readonly property SystemPalette system: SystemPalette { colorGroup: SystemPalette.Active }
    readonly property bool dark: system.window.hslLightness < 0.5

    // Text styles (pixel sizes, weights).
    readonly property font largeTitle: Qt.font({ pixelSize: 30, weight: Font.Bold })
    readonly property font title: Qt.font({ pixelSize: 24, weight: Font.Normal })
    readonly property font title2: Qt.font({ pixelSize: 19, weight: Font.DemiBold })
    readonly property font title3: Qt.font({ pixelSize: 17, weight: Font.Normal })
    readonly property font headline: Qt.font({ pixelSize: 14, weight: Font.DemiBold })
    readonly property font subheadline: Qt.font({ pixelSize: 12, weight: Font.Normal })
    readonly property font body: Qt.font({ pixelSize: 14, weight: Font.Normal })
    readonly property font callout: Qt.font({ pixelSize: 13, weight: Font.Normal })
    readonly property font caption: Qt.font({ pixelSize: 11, weight: Font.Normal })
    readonly property font caption2: Qt.font({ pixelSize: 10, weight: Font.Normal })
    readonly property string monospaceFamily: "DejaVu Sans Mono"
    // The embedded symbol font, registered by the app before the first window.
    readonly property string iconFamily: "Lumaro Symbols"

    // Colours.
    readonly property color background: dark ? "#1e1e20" : "#f2f2f7"
    readonly property color primary: dark ? "#f5f5f7" : "#1c1c1e"
    readonly property color secondary: dark ? "#98989f" : "#6e6e73"
    readonly property color separator: dark ? "#3a3a3c" : "#d8d8dc"
    readonly property color material: dark ? Qt.rgba(0.17, 0.17, 0.18, 0.92) : Qt.rgba(1, 1, 1, 0.9)
    readonly property color fieldBackground: dark ? "#2c2c2e" : "#ffffff"
    readonly property color accent: dark ? "#0a84ff" : "#007aff"
    readonly property color blue: accent
    readonly property color green: dark ? "#30d158" : "#34c759"
    readonly property color orange: dark ? "#ff9f0a" : "#ff9500"
    readonly property color red: dark ? "#ff453a" : "#ff3b30"
    readonly property color indigo: dark ? "#5e5ce6" : "#5856d6"
    readonly property color gray: "#8e8e93"
    readonly property color textOnAccent: "#ffffff"

    // Geometry.
    readonly property int cardRadius: 16
    readonly property int controlRadius: 7
    readonly property int padding: 16
    readonly property int controlHeight: 28
    readonly property int largeControlHeight: 36
}
