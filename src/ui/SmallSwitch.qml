import QtQuick
import QtQuick.Controls

// A switch in the small size the panel's settings use: the track before its
// label, as in the rest of the desktop.
Switch {
    id: control

    required property Theme theme
    property color onColor: theme.blue

    padding: 0
    spacing: 8
    font.pixelSize: theme.captionSize + 1

    indicator: Rectangle {
        implicitWidth: 30
        implicitHeight: 18
        x: control.leftPadding
        y: control.topPadding + (control.availableHeight - height) / 2
        radius: height / 2
        color: control.checked ? control.onColor : control.theme.track
        border.width: control.checked ? 0 : 1
        border.color: control.theme.hairline
        opacity: control.enabled ? 1 : 0.5

        Rectangle {
            width: 14
            height: 14
            radius: 7
            y: 2
            x: control.checked ? parent.width - width - 2 : 2
            color: "white"
            border.width: 1
            border.color: Qt.rgba(0, 0, 0, 0.12)

            Behavior on x {
                NumberAnimation { duration: 120; easing.type: Easing.OutCubic }
            }
        }
    }

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font: control.font
        color: control.theme.primary
        verticalAlignment: Text.AlignVCenter
    }
}
