// The two things on screen that the application delegate drives, each
// behind a small interface so the delegate's rules can be tested with fakes.
// The delegate decides what they show; they decide how.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace brimlow {

// What the tray item shows: each provider's current window, if it has one,
// and the model's one-line title.
struct TrayFigures {
    std::optional<double> codexPercent;
    std::optional<double> claudePercent;
    QString title;
    // Lines after the title in the tooltip.
    QStringList warnings;

    bool operator==(const TrayFigures&) const = default;
};

// A click on the icon as the tray reported it.
struct TrayClick {
    // Where the click was: the pointer, or the stretch of the panel under
    // it; empty when the tray didn't say (XEmbed trays, and hosts that pass
    // 0, 0).
    QRect anchor;
    // The compositor's token that lets our window take the focus, when the
    // host handed one over before the click (Wayland).
    QString activationToken;
};

// What the tray item's clicks and menu entries ask for, and what it tells.
struct TrayActions {
    std::function<void(const TrayClick&)> toggle; // a click on the icon
    std::function<void()> openPanel;              // opens it, leaves an open one open
    std::function<void()> refresh;
    std::function<void()> quit;
    // inTray() changed: a tray appeared, went away or came back.
    std::function<void()> trayAvailabilityChanged;
};

class TrayItem {
public:
    virtual ~TrayItem() = default;
    virtual void show(const TrayFigures& figures) = 0;
    // False while the desktop has no tray to put the icon in.
    virtual bool inTray() const = 0;
    // The icon's place on the screen; empty when the tray doesn't tell.
    virtual QRect iconGeometry() const = 0;
    // The activation token the tray's host gave before its last click or
    // menu entry, once; empty when there is none.
    virtual QString takeActivationToken() { return {}; }
};

enum class PanelStyle {
    Popup,  // frameless, at the tray icon, closes on a click elsewhere
    Window, // an ordinary window, for desktops without a tray
};

class PanelWindow {
public:
    virtual ~PanelWindow() = default;
    virtual bool isOpen() const = 0;
    // True for a moment after the panel closed itself on a click elsewhere.
    // A click on the tray icon closes it with its press, and the tray
    // reports that same click afterwards.
    virtual bool justDismissed() const = 0;
    // Shows the panel with the keyboard focus; an open one is raised and
    // focused again. A popup opens at `anchor`: the icon, or the pointer
    // where the tray reported the click; empty, at the cursor. The token,
    // when there is one, is the compositor's leave to take the focus.
    virtual void open(PanelStyle style, QRect anchor, const QString& activationToken) = 0;
    virtual void close() = 0;
    // The host started a launch for a click that opened nothing (it closed
    // the panel): ends it, or GNOME shows its busy cursor until the launch
    // times out.
    virtual void endActivation(const QString& activationToken) = 0;
};

} // namespace brimlow
