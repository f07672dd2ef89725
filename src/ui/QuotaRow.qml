import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brimlow.Ui

// One rate-limit window: its use in percent, a bar, and when it resets. A
// window whose reset time has passed is "stale": its figures are from before
// the reset, so it shows no number, a gray bar and no countdown.
ColumnLayout {
    id: row

    required property var quota
    required property color tint
    required property Theme theme
    required property date now

    readonly property bool hasReset: quota.reset instanceof Date && !isNaN(quota.reset.getTime())
    readonly property bool stale: hasReset && quota.reset.getTime() < now.getTime()
    readonly property bool high: quota.percent >= 80
    // When the last hour's pace uses the window up before its reset.
    readonly property bool runsOut: quota.runsOut instanceof Date && !isNaN(quota.runsOut.getTime())

    objectName: "quotaRow"
    spacing: 4

    RowLayout {
        Layout.fillWidth: true

        Label {
            objectName: "quotaLabel"
            text: Format.words.quotaUse.arg(row.quota.label)
            font.pixelSize: row.theme.captionSize
        }
        Item {
            Layout.fillWidth: true
        }
        Label {
            objectName: "percentText"
            text: row.stale ? Format.words.stale : Format.percentUsed(row.quota.percent)
            color: row.stale ? row.theme.secondary : row.high ? row.theme.orange : row.theme.primary
            font.pixelSize: row.theme.captionSize
            font.weight: Font.DemiBold
        }
    }

    ProgressBar {
        id: bar

        Layout.fillWidth: true
        from: 0
        to: 100
        value: isFinite(row.quota.percent) ? row.quota.percent : 0

        background: Rectangle {
            implicitHeight: 6
            radius: 3
            color: row.theme.track
        }
        contentItem: Item {
            implicitHeight: 6

            Rectangle {
                objectName: "barFill"
                width: bar.visualPosition * parent.width
                height: parent.height
                radius: 3
                color: row.stale ? row.theme.gray : row.high ? row.theme.orange : row.tint
            }
        }
    }

    RowLayout {
        visible: row.hasReset
        spacing: 5

        Label {
            objectName: "resetText"
            text: row.hasReset ? Format.words.resetAt.arg(Format.dateTime(row.quota.reset)) : ""
            color: row.theme.secondary
            font.pixelSize: row.theme.caption2Size
        }
        Label {
            visible: !row.stale
            text: "·"
            color: row.theme.secondary
            font.pixelSize: row.theme.caption2Size
        }
        Label {
            objectName: "countdownText"
            visible: !row.stale
            text: row.hasReset ? Format.countdown(row.quota.reset, row.now) : ""
            color: row.theme.secondary
            font.pixelSize: row.theme.caption2Size
        }
    }

    Label {
        objectName: "paceText"
        visible: row.runsOut && !row.stale
        text: row.runsOut ? Format.words.paceRunsOut.arg(Format.moment(row.quota.runsOut, row.now)) : ""
        color: row.theme.orange
        font.pixelSize: row.theme.caption2Size
        font.weight: Font.DemiBold
    }
}
