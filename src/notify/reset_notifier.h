// Notifications for rate-limit resets: when a window that was used to 70 %
// or more is refilled, the user hears of it at that moment.
#pragma once

#include "notify/notification_center.h"
#include "records/records.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brimlow {

inline constexpr double kResetAlertThreshold = 70.0;

enum class Alerts { Off, On };

struct ProviderQuotas {
    std::string name; // "Codex", "Claude"; part of the notification ids
    std::vector<Quota> quotas;
};

// A window that will be refilled at `fireAt` (its reset) after it was used
// to `quota.percent`.
struct ResetAlert {
    std::string id;
    Time fireAt;
    std::string provider;
    Quota quota;

    bool operator==(const ResetAlert&) const = default;
};

struct NotificationText {
    std::string title;
    std::string body;
};

// The words of the notifications; the notifier decides only when they go out.
struct AlertWording {
    std::function<NotificationText(const ResetAlert&)> reset;
    std::function<NotificationText()> test;
};

// The alerts wanted for these providers at `now`, in provider then quota
// order: windows used to at least 70 % whose reset lies more than 5 seconds
// ahead.
std::vector<ResetAlert> resetAlerts(const std::vector<ProviderQuotas>& providers, Time now);

// What one sync does to the pending requests.
struct SyncPlan {
    std::vector<std::string> remove;
    std::vector<ResetAlert> add;

    bool operator==(const SyncPlan&) const = default;
};

// Reconciles the wanted alerts with the pending request ids. Only ids that
// begin with "reset." are ours to manage; pending requests of a provider
// that has no quotas at all are left alone.
SyncPlan planResetSync(const std::vector<std::string>& pendingIds, Alerts alerts,
                       const std::vector<ProviderQuotas>& providers, Time now);

// "test." and the current time in seconds, shortest form that reads back.
std::string testNotificationId(Time now);

class ResetNotifier {
public:
    // `center` may be null: no notification service on this desktop. Every
    // operation then does nothing.
    ResetNotifier(std::shared_ptr<NotificationCenter> center, std::shared_ptr<const Clock> clock,
                  AlertWording wording);
    ~ResetNotifier();
    ResetNotifier(const ResetNotifier&) = delete;
    ResetNotifier& operator=(const ResetNotifier&) = delete;

    // Runs on the main thread when the user opens one of our notifications.
    std::function<void()> onOpen;

    // Whether notifications can be shown on this desktop.
    bool available() const { return m_center != nullptr; }
    // Brings the pending reset notifications in line with these quotas.
    void sync(Alerts alerts, std::vector<ProviderQuotas> providers);
    // A sample notification three seconds from now.
    void test();

private:
    std::shared_ptr<NotificationCenter> m_center;
    std::shared_ptr<const Clock> m_clock;
    AlertWording m_wording;
};

} // namespace brimlow
