#include "app/system_tray.h"

#include "app/meter_icon.h"

#include <chrono>

namespace brimlow {

namespace {

using namespace std::chrono_literals;

// Desktops without a tray (GNOME without an extension) may gain one later:
// a tray extension switched on, a panel restarted. Cheap to ask.
constexpr auto kTrayWatchInterval = 3s;

} // namespace

QString trayToolTip(const QString& title) {
    return title + "\n" + QString::fromUtf8(kTrayLegend);
}

SystemTray::SystemTray(TrayActions actions) : m_actions(std::move(actions)) {
    m_menu.addAction(QStringLiteral("패널 열기"), [this] { m_actions.openPanel(); });
    m_menu.addAction(QStringLiteral("새로고침"), [this] { m_actions.refresh(); });
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("종료"), [this] { m_actions.quit(); });
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_actions.toggle({});
            });
    m_icon.setIcon(meterIcon(std::nullopt, std::nullopt));

    m_watch.setInterval(kTrayWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, &SystemTray::showWhenTrayAppears);
    showWhenTrayAppears();
    if (!m_icon.isVisible())
        m_watch.start();
}

SystemTray::~SystemTray() = default;

void SystemTray::show(const TrayFigures& figures) {
    m_icon.setIcon(meterIcon(figures.codexPercent, figures.claudePercent));
    m_icon.setToolTip(trayToolTip(figures.title));
}

bool SystemTray::inTray() const {
    return m_icon.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

QRect SystemTray::iconGeometry() const {
    return m_icon.geometry();
}

void SystemTray::showWhenTrayAppears() {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icon.show();
    m_watch.stop();
}

} // namespace brimlow
