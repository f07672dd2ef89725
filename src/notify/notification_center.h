// What the reset notifier needs of the platform's notification service: a
// schedule of requests, each shown when it falls due. The desktop
// implementation keeps that schedule itself (the service shows what it is
// sent at once) and links Qt, so only the helpers have it; tests use a fake.
#pragma once

#include "base/time.h"

#include <functional>
#include <string>
#include <vector>

namespace brimlow {

// One notification to show at `fireAt` (at once when that has passed).
struct NotificationRequest {
    std::string id;
    std::string title;
    std::string body;
    Time fireAt;

    bool operator==(const NotificationRequest&) const = default;
};

// A centre exists only where notifications can be shown: there is no
// permission to ask for.
class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;

    // Identifiers of the requests scheduled and not yet shown, oldest first.
    virtual std::vector<std::string> pendingIds() const = 0;
    virtual void schedule(const NotificationRequest& request) = 0;
    virtual void cancel(const std::vector<std::string>& ids) = 0;
    // Called on the main thread when the user opens one of our notifications.
    virtual void setOpenHandler(std::function<void()> handler) = 0;
};

} // namespace brimlow
