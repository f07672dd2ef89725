// The tray item on this desktop: our StatusNotifierItem, which any
// StatusNotifierItem host shows whenever it starts; and on X11, only while
// no StatusNotifierItem watcher is on the bus, Qt's QSystemTrayIcon for
// XEmbed trays.
//
// Qt's tray icon decides once per process, at its first use, whether it is
// a StatusNotifierItem itself (a host was registered then) or an XEmbed
// icon. It is first used only while there is no watcher, so it settles on
// XEmbed and never puts up a second StatusNotifierItem next to ours.
#pragma once

#include "app/shell_parts.h"
#include "app/status_notifier_item.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

namespace brimlow {

class SystemTray final : public QObject, public TrayItem {
public:
    // `bus`: a connection of the tray's own to the session bus; one that is
    // not connected leaves only the XEmbed icon.
    SystemTray(TrayActions actions, QDBusConnection bus);
    ~SystemTray() override;

    void show(const TrayFigures& figures) override;
    bool inTray() const override;
    QRect iconGeometry() const override;
    QString takeActivationToken() override;

private:
    void followTray();

    TrayActions m_actions;
    QMenu m_menu;
    StatusNotifierItem m_item;
    std::unique_ptr<QSystemTrayIcon> m_xembed;
    QTimer m_xembedWatch;
    TrayFigures m_figures;
    bool m_onX11;
    bool m_wasInTray = false;
    bool m_started = false;
};

} // namespace brimlow
