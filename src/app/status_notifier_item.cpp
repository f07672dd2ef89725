#include "app/status_notifier_item.h"

#include "app/meter_icon.h"
#include "app/tray_texts.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QTimer>
#include <utility>

namespace brimlow {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");

constexpr auto kExported = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                           QDBusConnection::ExportAllProperties;

// Hosts pick the size nearest their panel's; a few cover them all.
constexpr int kImageSizes[] = {16, 22, 24, 32, 48};

DBusImages meterImages(const TrayFigures& figures) {
    DBusImages images;
    for (int size : kImageSizes)
        images.append(
            toDBusImage(drawMeterIcon(figures.codexPercent, figures.claudePercent, size)));
    return images;
}

} // namespace

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, std::vector<TrayMenuEntry> menu,
                                       StatusNotifierEvents events)
    : m_bus(std::move(bus)), m_serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-1")
                                               .arg(QCoreApplication::applicationPid())),
      m_events(std::move(events)), m_menu(std::move(menu)) {
    registerTrayDBusTypes();
    m_images = meterImages(m_figures);
    m_bus.registerObject(kItemPath, this, kExported);
    m_bus.registerObject(kMenuPath, &m_menu, kExported);
    m_bus.registerService(m_serviceName);

    m_watcher.setConnection(m_bus);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    m_watcher.addWatchedService(kWatcherService);
    // A new watcher (a tray started, restarted, switched on) knows nothing
    // of us; the old one's registration went with it. A restarting panel
    // may hand the name straight from its old process to the new one.
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                setState(!newOwner.isEmpty(), false, false);
                if (!newOwner.isEmpty())
                    registerWithWatcher();
            });
    m_bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                  QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(hostRegistered()));
    m_bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                  QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(hostUnregistered()));

    if (m_bus.isConnected() && m_bus.interface()->isServiceRegistered(kWatcherService)) {
        m_watcherPresent = true;
        registerWithWatcher();
    }
}

StatusNotifierItem::~StatusNotifierItem() {
    m_bus.unregisterObject(kMenuPath);
    m_bus.unregisterObject(kItemPath);
    m_bus.unregisterService(m_serviceName);
    QDBusConnection::disconnectFromBus(m_bus.name());
}

void StatusNotifierItem::show(const TrayFigures& figures) {
    bool iconChanged = figures.codexPercent != m_figures.codexPercent ||
                       figures.claudePercent != m_figures.claudePercent;
    bool titleChanged = figures.title != m_figures.title;
    bool toolTipChanged = titleChanged || figures.warnings != m_figures.warnings;
    m_figures = figures;
    if (iconChanged) {
        m_images = meterImages(m_figures);
        emit NewIcon();
    }
    if (toolTipChanged)
        emit NewToolTip();
    if (titleChanged)
        emit XAyatanaNewLabel(label(), labelGuide());
}

DBusToolTip StatusNotifierItem::toolTip() const {
    return {QString(), {}, m_figures.title, trayToolTipBody(m_figures.warnings)};
}

QDBusObjectPath StatusNotifierItem::menu() const {
    return QDBusObjectPath(kMenuPath);
}

QString StatusNotifierItem::labelGuide() const {
    return trayLabelGuide();
}

// The host waits for each call's reply; what a click starts (a window, a
// menu) comes after it.
void StatusNotifierItem::Activate(int x, int y) {
    // 0, 0 is what hosts that don't know the position pass.
    QRect anchor = x == 0 && y == 0 ? QRect() : QRect(x, y, 1, 1);
    TrayClick click{anchor, std::exchange(m_activationToken, QString())};
    QTimer::singleShot(0, this, [this, click] { m_events.activate(click); });
}

void StatusNotifierItem::SecondaryActivate(int, int) {
    QTimer::singleShot(0, this, [this] { m_events.secondaryActivate(); });
}

void StatusNotifierItem::ContextMenu(int x, int y) {
    QTimer::singleShot(0, this, [this, point = QPoint(x, y)] { m_events.contextMenu(point); });
}

void StatusNotifierItem::Scroll(int, const QString&) {}

void StatusNotifierItem::ProvideXdgActivationToken(const QString& token) {
    m_activationToken = token;
}

void StatusNotifierItem::hostRegistered() {
    askForHost();
}

void StatusNotifierItem::hostUnregistered() {
    // Another host may still be there.
    askForHost();
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                if (reply->isError())
                    return;
                setState(true, true, m_hostPresent);
                askForHost();
            });
}

void StatusNotifierItem::askForHost() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                QDBusReply<QDBusVariant> value = *reply;
                // A watcher too old to say is taken to have a host: it
                // took the registration.
                bool host = !value.isValid() || value.value().variant().toBool();
                setState(m_watcherPresent, m_registered, host);
            });
}

void StatusNotifierItem::setState(bool watcherPresent, bool registered, bool hostPresent) {
    bool hadHost = hasHost();
    bool hadWatcher = m_watcherPresent;
    m_watcherPresent = watcherPresent;
    m_registered = registered;
    m_hostPresent = hostPresent;
    if ((hadHost != hasHost() || hadWatcher != m_watcherPresent) && m_events.trayChanged)
        m_events.trayChanged();
}

} // namespace brimlow
