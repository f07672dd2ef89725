import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brimlow.Ui

// The period's token total, large, then its parts on the same baseline at
// the trailing edge. Codex counts cached input inside its input, so only
// Claude has a separate cache figure. When large counts leave no room on
// one line, the parts move under the total.
Item {
    id: row

    required property var totals
    required property bool showCache
    required property Theme theme

    readonly property bool oneLine: total.implicitWidth + 12 + metrics.implicitWidth <= width

    implicitWidth: total.implicitWidth + 12 + metrics.implicitWidth
    implicitHeight: oneLine ? total.implicitHeight : total.implicitHeight + 2 + metrics.implicitHeight

    Row {
        id: total

        spacing: 5

        Label {
            id: totalText

            objectName: "tokenTotal"
            text: Format.compact(row.totals.total)
            font.pixelSize: 28
            font.weight: Font.DemiBold
        }
        Label {
            y: totalText.baselineOffset - baselineOffset
            text: Format.words.tokens
            color: row.theme.secondary
            font.pixelSize: row.theme.captionSize
        }
    }

    Row {
        id: metrics

        x: row.oneLine ? row.width - width : 0
        y: row.oneLine ? totalText.baselineOffset - firstTitle.baselineOffset
                       : total.implicitHeight + 2
        spacing: 9

        Repeater {
            model: row.showCache ? [[Format.words.input, "input"], [Format.words.output, "output"],
                                  [Format.words.cache, "cache"]]
                                 : [[Format.words.input, "input"], [Format.words.output, "output"]]

            Row {
                id: metric

                required property var modelData

                objectName: "metric"
                spacing: 3

                Label {
                    objectName: "metricTitle"
                    text: metric.modelData[0]
                    color: row.theme.secondary
                    font.pixelSize: row.theme.metricSize
                }
                Label {
                    objectName: "metricValue"
                    text: Format.compact(row.totals[metric.modelData[1]])
                    font.pixelSize: row.theme.metricSize
                    font.weight: Font.Medium
                }
            }
        }
    }

    // Every metric label has the same font, so the first one's baseline is
    // the row's.
    Label {
        id: firstTitle

        visible: false
        font.pixelSize: row.theme.metricSize
    }
}
