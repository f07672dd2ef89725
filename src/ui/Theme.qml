import QtQuick

// Colours and type sizes shared by the panel's parts. One instance, made by
// the panel and handed down, so that the muted colours follow whatever text
// colour the host's palette has.
QtObject {
    required property color text

    readonly property color primary: text
    readonly property color secondary: Qt.rgba(text.r, text.g, text.b, 0.56)
    readonly property color hairline: Qt.rgba(text.r, text.g, text.b, 0.12)
    readonly property color track: Qt.rgba(text.r, text.g, text.b, 0.09)

    readonly property color blue: "#2f6fde"
    readonly property color green: "#1e9a4b"
    readonly property color orange: "#e2720c"
    readonly property color gray: "#a3a6ad"

    readonly property int headlineSize: 14
    readonly property int captionSize: 12
    readonly property int caption2Size: 11
    readonly property int title3Size: 16
    readonly property int title2Size: 22
    // The parts next to a token total: a little smaller than captions, so
    // that Claude's three fit beside the total on one line.
    readonly property int metricSize: 11
}
