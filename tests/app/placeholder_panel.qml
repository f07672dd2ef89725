// Stands in for the real panel: what the popup relies on of it is a
// required "model", a fixed width with an implicit height, and
// closeRequested().
import QtQuick

Item {
    id: root

    required property QtObject model
    property int extra: 0

    signal closeRequested

    width: 370
    implicitHeight: 240 + extra
    focus: true
    Keys.onEscapePressed: root.closeRequested()
}
