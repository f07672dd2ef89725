// The running application: the meter model, its tray item and the panel,
// and the rules that tie them together.
#pragma once

#include "app/shell_parts.h"
#include "model/meter_model.h"

#include <QObject>
#include <functional>
#include <memory>

namespace brimlow {

// How the delegate gets its tray item and panel; tests hand in fakes.
struct ShellFactories {
    std::function<std::unique_ptr<TrayItem>(TrayActions)> tray;
    std::function<std::unique_ptr<PanelWindow>(MeterModel&)> panel;
};

class AppDelegate final : public QObject {
public:
    // Creates the model, the tray item and the panel, connects them and
    // starts the model. Without a tray the panel opens at once as a window,
    // so the figures are reachable at all.
    AppDelegate(MeterServices services, const ShellFactories& factories);
    ~AppDelegate() override;

    // A click on the tray icon: opens the panel when closed (where the
    // tray said the click was, else at the icon), else closes it.
    void toggle(const TrayClick& click);
    // The program started again, an opened notification, the menu's entry:
    // the panel opens, and an open one stays open.
    void reopen();

    MeterModel& model() { return *m_model; }

private:
    void openPanel(const TrayClick& click);
    void trayAvailabilityChanged();
    void showFigures();

    std::shared_ptr<const Clock> m_clock;
    std::unique_ptr<MeterModel> m_model;
    std::unique_ptr<TrayItem> m_tray;
    std::unique_ptr<PanelWindow> m_panel;
    // Where the tray host reported its last click.
    QRect m_lastAnchor;
    PanelStyle m_panelStyle = PanelStyle::Popup; // how it was last opened
};

} // namespace brimlow
