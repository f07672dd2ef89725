#include "app/meter_services.h"

#include "claude/bridge.h"
#include "codex/app_server.h"
#include "platform/autostart.h"
#include "platform/bus_address.h"
#include "platform/desktop_notifications.h"
#include "platform/settings_store.h"
#include "platform/wake_source.h"
#include "ui/panel_text.h"

namespace brimlow {

namespace {

// The running program's path: what the autostart entry and the Claude
// bridge start later.
std::string runningExecutable() {
    auto path = currentExecutablePath();
    return path.ok() ? path.value() : std::string("brimlow");
}

} // namespace

MeterServices desktopMeterServices() {
    auto env = std::make_shared<ProcessEnvironment>();
    auto clock = std::make_shared<SystemClock>();
    return MeterServices{
        env,
        clock,
        [](const Environment& e) { return fetchCodexQuota(e); },
        connectDesktopNotifications(*env, *clock),
        localShortTimeOfDay,
        std::make_shared<AutostartEntry>(*env, runningExecutable()),
        std::make_shared<QtSettingsStore>(),
        std::make_shared<LogindWakeSource>(systemBusAddress(*env, kStandardSystemBusSocket)),
        [env] { return claudeBridgeInstalled(*env); },
        [env] { return connectClaude(*env, runningExecutable()); },
    };
}

} // namespace brimlow
