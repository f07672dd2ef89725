import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brimlow.Ui

// One provider's figures on a card tinted in its colour: plan, rate-limit
// windows, (for Claude) the status-line connection, tokens and status.
Rectangle {
    id: card

    required property string name
    required property url symbolSource
    required property color tint
    // The provider's record as the model publishes it, and its token sums
    // for the chosen period.
    required property var usage
    required property var totals
    required property QtObject model
    required property Theme theme
    required property date now

    readonly property var quotas: usage.quotas || []
    readonly property bool hasQuotaDate: usage.quotaDate instanceof Date
                                         && !isNaN(usage.quotaDate.getTime())
    readonly property bool hasPlan: typeof usage.plan === "string" && usage.plan !== ""

    implicitHeight: content.implicitHeight + 2 * content.y
    radius: 12
    color: Qt.rgba(tint.r, tint.g, tint.b, theme.cardTint)

    ColumnLayout {
        id: content

        x: 14
        y: 14
        width: card.width - 2 * x
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            Symbol {
                source: card.symbolSource
                color: card.tint
                size: 16
            }
            Label {
                objectName: "providerName"
                text: card.name
                color: card.tint
                font.pixelSize: card.theme.headlineSize
                font.weight: Font.DemiBold
            }
            Item {
                Layout.fillWidth: true
            }
            Label {
                objectName: "planText"
                visible: card.hasPlan
                text: card.hasPlan ? card.usage.plan.toUpperCase() : ""
                color: card.theme.secondary
                font.pixelSize: card.theme.caption2Size
                font.bold: true
                font.letterSpacing: 0.4
            }
        }

        Repeater {
            model: card.quotas

            QuotaRow {
                required property var modelData

                Layout.fillWidth: true
                quota: modelData
                tint: card.tint
                theme: card.theme
                now: card.now
            }
        }

        Label {
            objectName: "quotaDateText"
            visible: card.quotas.length > 0 && card.hasQuotaDate
            text: card.hasQuotaDate ? Format.words.quotaChecked.arg(Format.dateTime(card.usage.quotaDate)) : ""
            color: card.theme.secondary
            font.pixelSize: card.theme.caption2Size
        }

        ConnectRow {
            Layout.fillWidth: true
            visible: card.name === "Claude"
            model: card.model
            theme: card.theme
        }

        TokenRow {
            Layout.fillWidth: true
            totals: card.totals
            showCache: card.name === "Claude"
            theme: card.theme
        }

        Label {
            objectName: "statusText"
            Layout.fillWidth: true
            visible: text !== ""
            text: card.usage.status || ""
            color: card.theme.secondary
            font.pixelSize: card.theme.caption2Size
            wrapMode: Text.Wrap
        }
    }
}
