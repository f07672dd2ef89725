import QtQuick

// Colours and type sizes shared by the panel's parts, in a light and a dark
// variant. One instance, made by the panel and handed down.
QtObject {
    required property bool dark

    readonly property color background: dark ? "#1f2023" : "#f6f6f7"
    readonly property color primary: dark ? "#ececee" : "#1d1d1f"
    readonly property color secondary: Qt.rgba(primary.r, primary.g, primary.b, 0.6)
    readonly property color hairline: Qt.rgba(primary.r, primary.g, primary.b, dark ? 0.16 : 0.12)
    readonly property color track: Qt.rgba(primary.r, primary.g, primary.b, dark ? 0.14 : 0.09)
    // How strongly a provider's colour tints its card.
    readonly property real cardTint: dark ? 0.13 : 0.06

    readonly property color blue: dark ? "#6ea2ff" : "#2f6fde"
    readonly property color green: dark ? "#45c977" : "#1e9a4b"
    readonly property color orange: dark ? "#ff9d45" : "#e2720c"
    readonly property color gray: dark ? "#6d7078" : "#a3a6ad"

    readonly property int headlineSize: 14
    readonly property int captionSize: 12
    readonly property int caption2Size: 11
    readonly property int title3Size: 16
    readonly property int title2Size: 22
    // The parts next to a token total: a little smaller than captions, so
    // that Claude's three fit beside the total on one line.
    readonly property int metricSize: 11
}
