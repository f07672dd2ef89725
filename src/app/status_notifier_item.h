// Our own StatusNotifierItem: the tray icon as the D-Bus service that
// StatusNotifierItem hosts (KDE, waybar, GNOME's AppIndicator extension, …)
// draw, with its menu at /MenuBar. It registers with the host's watcher
// whenever one appears (at start, later, after a restart), so a tray that
// starts after us still shows the icon; and it gives us what Qt's tray
// icon hides: where a click was, and the label some hosts draw next to the
// icon.
#pragma once

#include "app/dbus_menu.h"
#include "app/shell_parts.h"
#include "app/tray_dbus_types.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>
#include <utility>

namespace brimlow {

// What the host's clicks ask for, and what the item tells.
struct StatusNotifierEvents {
    std::function<void(const TrayClick&)> activate; // a (left) click
    std::function<void()> secondaryActivate;        // a middle click
    // A right click on hosts that don't draw the D-Bus menu themselves.
    std::function<void(QPoint)> contextMenu;
    std::function<void()> trayChanged; // hasHost() or watcherPresent() changed
};

class StatusNotifierItem final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(brimlow::DBusImages IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(brimlow::DBusImages OverlayIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(brimlow::DBusImages AttentionIconPixmap READ noImages)
    Q_PROPERTY(brimlow::DBusToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)

public:
    // Puts the item and its menu on `bus` and registers with the watcher if
    // there is one. The connection is the item's own: it takes the item's
    // well-known name, and the item ends it.
    StatusNotifierItem(QDBusConnection bus, std::vector<TrayMenuEntry> menu,
                       StatusNotifierEvents events);
    ~StatusNotifierItem() override;

    void show(const TrayFigures& figures);
    // A watcher took our registration and says a host draws items.
    bool hasHost() const { return m_registered && m_hostPresent; }
    // The token the host gave before its last click, once.
    QString takeActivationToken() { return std::exchange(m_activationToken, QString()); }
    // Whether a watcher is on the bus at all, host or not.
    bool watcherPresent() const { return m_watcherPresent; }
    QString serviceName() const { return m_serviceName; }

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("brimlow"); }
    QString title() const { return QStringLiteral("Brimlow"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    DBusImages iconPixmap() const { return m_images; }
    DBusImages noImages() const { return {}; }
    DBusToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const;
    QString label() const { return m_figures.title; }
    QString labelGuide() const;

public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);
    void ProvideXdgActivationToken(const QString& token);

signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private slots:
    void hostRegistered();
    void hostUnregistered();

private:
    void registerWithWatcher();
    void askForHost();
    void setState(bool watcherPresent, bool registered, bool hostPresent);

    QDBusConnection m_bus;
    QString m_serviceName;
    StatusNotifierEvents m_events;
    DBusMenu m_menu;
    QDBusServiceWatcher m_watcher;
    TrayFigures m_figures;
    DBusImages m_images;
    QString m_activationToken;
    bool m_watcherPresent = false;
    bool m_registered = false;
    bool m_hostPresent = false;
};

} // namespace brimlow
