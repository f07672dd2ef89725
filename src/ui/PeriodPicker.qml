import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brimlow.Ui

// "기간" and a segmented choice of the period the token totals cover. The
// selection is always the model's period: a click writes the model, and the
// highlight follows from it.
RowLayout {
    id: picker

    required property QtObject model
    required property Theme theme

    spacing: 10

    Label {
        text: Format.words.period
        font.pixelSize: picker.theme.captionSize + 1
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: 28
        radius: 7
        color: picker.theme.track

        RowLayout {
            anchors.fill: parent
            anchors.margins: 2
            spacing: 2

            Repeater {
                model: [Format.words.today, Format.words.week, Format.words.all]

                AbstractButton {
                    id: segment

                    required property string modelData
                    required property int index
                    readonly property bool selected: picker.model.period === index

                    objectName: "period" + index
                    // Equal preferred widths share the width equally.
                    Layout.preferredWidth: 1
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    hoverEnabled: true
                    text: modelData
                    font.pixelSize: picker.theme.captionSize
                    font.weight: selected ? Font.DemiBold : Font.Normal
                    onClicked: picker.model.period = index

                    background: Rectangle {
                        radius: 5
                        readonly property color base: segment.palette.base
                        color: segment.selected ? base
                                                : segment.hovered ? Qt.rgba(base.r, base.g, base.b, 0.45)
                                                                  : "transparent"
                        border.width: segment.selected || segment.visualFocus ? 1 : 0
                        border.color: segment.visualFocus ? picker.theme.blue : picker.theme.hairline
                    }

                    contentItem: Text {
                        text: segment.text
                        font: segment.font
                        color: picker.theme.primary
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                    }
                }
            }
        }
    }
}
