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

MeterServices desktopMeterServices(const std::string& launcher) {
    auto env = std::make_shared<ProcessEnvironment>();
    auto clock = std::make_shared<SystemClock>();
    return MeterServices{
        .env = env,
        .clock = clock,
        .fetchCodexQuota = [](const Environment& e) { return fetchCodexQuota(e); },
        .notifications = connectDesktopNotifications(*env, clock),
        .timeOfDay = localShortTimeOfDay,
        .login = std::make_shared<AutostartEntry>(env, launcher),
        .settings = std::make_shared<QtSettingsStore>(),
        .wake =
            std::make_shared<LogindWakeSource>(systemBusAddress(*env, kStandardSystemBusSocket)),
        .claudeBridgeInstalled = [env] { return claudeBridgeInstalled(*env); },
        .connectClaude = [env, launcher] { return connectClaude(*env, launcher); },
    };
}

} // namespace brimlow
