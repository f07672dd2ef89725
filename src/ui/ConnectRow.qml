import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brimlow.Ui

// Whether Claude Code hands its limits to us through its status line, the
// button that sets that up, and the account's own usage page. A failed
// connection is reported under the login switch, not here.
RowLayout {
    id: row

    required property QtObject model
    required property Theme theme

    objectName: "connectRow"
    spacing: 14

    Label {
        objectName: "connectText"
        text: row.model.claudeConnected ? Format.words.connected : Format.words.needsConnect
        color: row.theme.secondary
        font.pixelSize: row.theme.captionSize
    }
    Item {
        Layout.fillWidth: true
    }
    TextButton {
        objectName: "connectButton"
        visible: !row.model.claudeConnected
        theme: row.theme
        text: Format.words.connect
        textColor: row.theme.blue
        font.weight: Font.DemiBold
        onClicked: row.model.connectClaude()
    }
    TextButton {
        objectName: "usagePageLink"
        theme: row.theme
        text: Format.words.open
        textColor: row.theme.blue
        tip: "claude.ai/settings/usage"
        onClicked: Qt.openUrlExternally("https://claude.ai/settings/usage")
    }
}
