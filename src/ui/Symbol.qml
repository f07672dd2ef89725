import QtQuick
import QtQuick.Controls.impl

// A one-colour symbol from our own images. Icon themes are not asked: some
// (Breeze) draw these names in full colour, which tinting turns into a
// filled square, and the panel should look the same on every desktop.
IconImage {
    property int size: 16

    sourceSize: Qt.size(size, size)
    width: size
    height: size
}
