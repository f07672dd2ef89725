#include "app/system_tray.h"

#include "app/meter_icon.h"
#include "app/tray_texts.h"
#include "app/x11_panel.h"

#include <QGuiApplication>
#include <chrono>

namespace brimlow {

namespace {

using namespace std::chrono_literals;

// An XEmbed tray may appear later (a panel started after us); there is no
// signal for it. Cheap to ask.
constexpr auto kXEmbedWatchInterval = 3s;

} // namespace

SystemTray::SystemTray(TrayActions actions, QDBusConnection bus)
    : m_actions(std::move(actions)),
      m_item(std::move(bus), trayMenuEntries(m_actions),
             StatusNotifierEvents{
                 .activate =
                     [this](TrayClick click) {
                         if (!click.anchor.isEmpty() && m_onX11)
                             click.anchor =
                                 x11PanelStretchAt(click.anchor.topLeft()).value_or(click.anchor);
                         m_actions.toggle(click);
                     },
                 .secondaryActivate = [this] { m_actions.refresh(); },
                 .contextMenu = [this](QPoint point) { m_menu.popup(point); },
                 .trayChanged = [this] { followTray(); },
             }),
      m_onX11(QGuiApplication::platformName() == QLatin1String("xcb")) {
    for (const TrayMenuEntry& entry : trayMenuEntries(m_actions)) {
        if (entry.label.isEmpty())
            m_menu.addSeparator();
        else
            m_menu.addAction(entry.label, entry.run);
    }
    m_xembedWatch.setInterval(kXEmbedWatchInterval);
    connect(&m_xembedWatch, &QTimer::timeout, this, &SystemTray::followTray);
    followTray();
    m_started = true;
}

SystemTray::~SystemTray() = default;

void SystemTray::show(const TrayFigures& figures) {
    m_figures = figures;
    m_item.show(figures);
    if (m_xembed) {
        m_xembed->setIcon(meterIcon(figures.codexPercent, figures.claudePercent));
        m_xembed->setToolTip(trayToolTip(figures.title, figures.warnings));
    }
}

bool SystemTray::inTray() const {
    if (m_item.hasHost())
        return true;
    return m_xembed && m_xembed->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

QString SystemTray::takeActivationToken() {
    return m_item.takeActivationToken();
}

QRect SystemTray::iconGeometry() const {
    return m_xembed ? m_xembed->geometry() : QRect();
}

// Runs at start, whenever a watcher or host comes or goes, and while an
// XEmbed tray is awaited.
void SystemTray::followTray() {
    if (m_onX11 && !m_item.watcherPresent()) {
        if (!m_xembed) {
            m_xembed = std::make_unique<QSystemTrayIcon>();
            m_xembed->setContextMenu(&m_menu);
            connect(m_xembed.get(), &QSystemTrayIcon::activated, this,
                    [this](QSystemTrayIcon::ActivationReason reason) {
                        if (reason == QSystemTrayIcon::Trigger)
                            m_actions.toggle({});
                        else if (reason == QSystemTrayIcon::MiddleClick)
                            m_actions.refresh();
                    });
            show(m_figures);
        }
        if (!m_xembed->isVisible() && QSystemTrayIcon::isSystemTrayAvailable())
            m_xembed->show();
        if (m_xembed->isVisible())
            m_xembedWatch.stop();
        else if (!m_xembedWatch.isActive())
            m_xembedWatch.start();
    } else {
        m_xembedWatch.stop();
        m_xembed.reset();
    }

    // The delegate asks at start; later it is told.
    bool nowInTray = inTray();
    if (nowInTray == m_wasInTray)
        return;
    m_wasInTray = nowInTray;
    if (m_started && m_actions.trayAvailabilityChanged)
        m_actions.trayAvailabilityChanged();
}

} // namespace brimlow
