import QtQuick
import QtQuick.Controls.impl

// A one-colour symbol: the icon theme's image when it has one, else ours.
IconImage {
    property int size: 16

    sourceSize: Qt.size(size, size)
    width: size
    height: size
}
