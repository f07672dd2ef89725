import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brimlow.Ui

// The popup's content: both providers' rate limits and token totals, the
// period, and the two settings. It keeps no state of its own: everything it
// shows is read from `model`, everything it changes goes through it.
Pane {
    id: root

    // The application's MeterModel (or anything with its properties and
    // methods), set by the host before the panel is created.
    required property QtObject model
    // The clock that staleness and countdowns are measured against. It
    // ticks only while the panel is on screen.
    property date now: new Date()

    signal closeRequested

    function isSet(time) {
        return time instanceof Date && !isNaN(time.getTime());
    }

    // The most of the screen the panel may take, set by its window; past
    // it the content scrolls, so that every control stays reachable.
    property real maximumHeight: Infinity

    implicitWidth: 370
    width: 370
    height: Math.min(implicitHeight, maximumHeight)
    padding: 20
    focus: true
    Keys.onEscapePressed: root.closeRequested()

    Theme {
        id: theme

        dark: Appearance.dark
    }

    // The controls of the Basic style draw with the palette.
    palette.window: theme.background
    palette.windowText: theme.primary
    palette.base: theme.background
    palette.text: theme.primary
    palette.button: theme.track
    palette.buttonText: theme.primary
    palette.toolTipBase: theme.background
    palette.toolTipText: theme.primary
    palette.mid: theme.hairline
    palette.dark: theme.secondary

    Timer {
        interval: 1000
        repeat: true
        triggeredOnStart: true
        running: root.visible && root.Window.window !== null && root.Window.window.visible
        onTriggered: root.now = new Date()
    }

    Flickable {
        id: scroller

        objectName: "scroller"
        anchors.fill: parent
        implicitHeight: content.implicitHeight
        contentWidth: width
        contentHeight: content.implicitHeight
        clip: interactive
        interactive: contentHeight > height
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {
            id: scrollBar

            policy: scroller.interactive ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
        }

        ColumnLayout {
            id: content

            // Beside the scroll bar rather than under it.
            width: scroller.width - (scroller.interactive ? scrollBar.width + 4 : 0)
            spacing: 16

            // Header
            RowLayout {
                Layout.fillWidth: true
                spacing: 10

                Symbol {
                    source: "icons/chart.svg"
                    color: theme.blue
                    size: theme.title2Size
                }
                ColumnLayout {
                    spacing: 2

                    Label {
                        text: "Brimlow"
                        font.pixelSize: theme.title3Size
                        font.bold: true
                    }
                    Label {
                        text: Format.words.heading
                        color: theme.secondary
                        font.pixelSize: theme.captionSize
                    }
                }
                Item {
                    Layout.fillWidth: true
                }
                ToolButton {
                    id: refreshButton

                    objectName: "refreshButton"
                    enabled: !root.model.refreshing
                    text: Format.words.refresh
                    display: AbstractButton.IconOnly
                    icon.source: "icons/refresh.svg"
                    icon.width: 16
                    icon.height: 16
                    icon.color: enabled ? theme.primary : theme.secondary
                    padding: 7
                    // The glyph, not its hover tint, lines up with the edge below.
                    Layout.rightMargin: root.model.refreshing ? 0 : -padding
                    hoverEnabled: true
                    onClicked: root.model.refresh()
                    ToolTip.visible: hovered
                    ToolTip.delay: 600
                    ToolTip.text: text

                    background: Rectangle {
                        implicitWidth: 30
                        implicitHeight: 30
                        radius: 7
                        color: theme.primary
                        opacity: refreshButton.down ? 0.14
                               : refreshButton.hovered || refreshButton.visualFocus ? 0.07 : 0
                    }
                }
                BusyIndicator {
                    id: spinner

                    objectName: "refreshSpinner"
                    visible: root.model.refreshing
                    running: visible
                    padding: 0

                    contentItem: Symbol {
                        source: "icons/spinner.svg"
                        color: theme.secondary
                        size: 16

                        RotationAnimator on rotation {
                            from: 0
                            to: 360
                            duration: 900
                            loops: Animation.Infinite
                            running: spinner.running
                        }
                    }
                }
            }

            PeriodPicker {
                Layout.fillWidth: true
                model: root.model
                theme: theme
            }

            ProviderCard {
                objectName: "codexCard"
                Layout.fillWidth: true
                name: "Codex"
                symbolSource: "icons/terminal.svg"
                tint: theme.green
                usage: root.model.codex
                totals: root.model.codexTotals
                model: root.model
                theme: theme
                now: root.now
            }

            ProviderCard {
                objectName: "claudeCard"
                Layout.fillWidth: true
                name: "Claude"
                symbolSource: "icons/sparkle.svg"
                tint: theme.orange
                usage: root.model.claude
                totals: root.model.claudeTotals
                model: root.model
                theme: theme
                now: root.now
            }

            Label {
                objectName: "noteText"
                Layout.fillWidth: true
                text: Format.words.tokenNote
                color: theme.secondary
                font.pixelSize: theme.captionSize
                wrapMode: Text.Wrap
                lineHeight: 1.1
            }

            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 1
                color: theme.hairline
            }

            // Settings. The switches show the model's values; a toggle asks the
            // model and then shows its answer again, so a refused change does not
            // leave the switch in the state the user clicked it into.
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 6

                SmallSwitch {
                    id: loginSwitch

                    objectName: "loginSwitch"
                    theme: theme
                    text: Format.words.login
                    checked: root.model.loginEnabled
                    onToggled: {
                        root.model.setLogin(checked);
                        checked = Qt.binding(() => root.model.loginEnabled);
                    }
                }
                Label {
                    objectName: "loginError"
                    Layout.fillWidth: true
                    visible: text !== ""
                    text: root.model.loginError
                    color: theme.orange
                    font.pixelSize: theme.captionSize
                    wrapMode: Text.Wrap
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 6

                RowLayout {
                    Layout.fillWidth: true

                    SmallSwitch {
                        objectName: "notifySwitch"
                        theme: theme
                        text: Format.words.resetAlerts
                        checked: root.model.notifyReset
                        onToggled: {
                            root.model.setNotify(checked);
                            checked = Qt.binding(() => root.model.notifyReset);
                        }
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                    TextButton {
                        objectName: "testButton"
                        theme: theme
                        text: Format.words.test
                        textColor: theme.blue
                        tip: Format.words.testTip
                        onClicked: root.model.testNotify()
                    }
                }
                Label {
                    objectName: "notifyError"
                    Layout.fillWidth: true
                    visible: text !== ""
                    text: root.model.notifyError
                    color: theme.orange
                    font.pixelSize: theme.captionSize
                    wrapMode: Text.Wrap
                }
            }

            // Footer
            RowLayout {
                Layout.fillWidth: true

                Label {
                    objectName: "footerText"
                    text: root.isSet(root.model.updated)
                          ? Format.words.updated.arg(Format.time(root.model.updated))
                          : Format.words.checking
                    color: theme.secondary
                    font.pixelSize: theme.caption2Size
                }
                Item {
                    Layout.fillWidth: true
                }
                TextButton {
                    objectName: "quitButton"
                    theme: theme
                    text: Format.words.quit
                    onClicked: Qt.quit()
                }
            }
        }
    }
}
