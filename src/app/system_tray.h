// The tray item on this desktop: a QSystemTrayIcon showing the meter chart,
// with the model's title in its tooltip and a menu for trays that only show
// menus.
#pragma once

#include "app/shell_parts.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

namespace brimlow {

// Under the title in the tooltip: what the two figures are.
inline constexpr const char* kTrayLegend = "Codex 한도 사용률 · Claude 한도 사용률 또는 오늘 토큰";

QString trayToolTip(const QString& title);

class SystemTray final : public QObject, public TrayItem {
public:
    explicit SystemTray(TrayActions actions);
    ~SystemTray() override;

    void show(const TrayFigures& figures) override;
    bool inTray() const override;
    QRect iconGeometry() const override;

private:
    void showWhenTrayAppears();

    TrayActions m_actions;
    QMenu m_menu;
    QSystemTrayIcon m_icon;
    QTimer m_watch;
};

} // namespace brimlow
