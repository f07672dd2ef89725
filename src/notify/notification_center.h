// What the reset notifier needs of the platform's notification service. The
// desktop implementation links Qt, so only the helpers have it; tests use a
// fake.
#pragma once

#include "base/time.h"

#include <functional>
#include <optional>
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

// Every answer is delivered later, on the main thread, never from inside
// the call that asked for it.
class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;

    // Asks to show alerts with sound; the answer is whether that is allowed.
    virtual void requestAuthorization(std::function<void(bool granted)> answer) = 0;
    // true: allowed; false: refused; absent: not decided yet.
    virtual void authorizationStatus(std::function<void(std::optional<bool>)> answer) = 0;
    // Identifiers of the requests added and not yet shown, oldest first.
    virtual void pendingRequestIds(std::function<void(std::vector<std::string>)> answer) = 0;
    virtual void add(const NotificationRequest& request) = 0;
    virtual void remove(const std::vector<std::string>& ids) = 0;
    // Called on the main thread when the user opens one of our notifications.
    virtual void setOpenHandler(std::function<void()> handler) = 0;
};

} // namespace brimlow
