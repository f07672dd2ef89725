import QtQuick
import QtQuick.Controls

// A borderless button that is just its text, tinted on hover and press. The
// tint reaches past the text, so that the text lines up with its
// neighbours' edges as a label would.
AbstractButton {
    id: control

    required property Theme theme
    property color textColor: theme.primary
    property string tip: ""

    padding: 3
    horizontalPadding: 0
    leftInset: -6
    rightInset: -6
    font.pixelSize: theme.captionSize
    hoverEnabled: true

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.textColor
        opacity: control.enabled ? 1 : 0.4
        verticalAlignment: Text.AlignVCenter
        horizontalAlignment: Text.AlignHCenter
    }

    background: Rectangle {
        radius: 5
        color: control.theme.primary
        opacity: control.down ? 0.14 : control.hovered || control.visualFocus ? 0.07 : 0
    }

    ToolTip.visible: tip !== "" && hovered
    ToolTip.text: tip
    ToolTip.delay: 600
}
