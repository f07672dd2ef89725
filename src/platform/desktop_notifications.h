// The desktop's notification service (org.freedesktop.Notifications on the
// session bus) as the program's NotificationCenter.
//
// The service shows what it is sent at once, so requests wait in our own
// scheduler until they are due. It has no permission model: where it runs,
// notifications are allowed. Clicking a notification invokes its "default"
// action, which is what "the user opened it" means here.
#pragma once

#include "base/environment.h"
#include "base/time.h"
#include "notify/notification_center.h"

#include <chrono>
#include <memory>

namespace brimlow {

struct DesktopNotificationOptions {
    // Bounds the one blocking question at start: is anyone serving
    // notifications? The bus itself answers it, within microseconds.
    std::chrono::milliseconds ownerQueryTimeout{500};
};

// The notification centre, or null when this desktop has none: no session
// bus, or nobody owns org.freedesktop.Notifications on it. Never starts a
// bus or a notification service. Needs a running QCoreApplication on this
// thread; every answer and callback arrives through its event loop. `env`
// is read only during this call; the centre keeps `clock`.
std::shared_ptr<NotificationCenter>
connectDesktopNotifications(const Environment& env, std::shared_ptr<const Clock> clock,
                            const DesktopNotificationOptions& options = {});

} // namespace brimlow
