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

struct ResetAlert {
    std::string id;
    Time fireAt;
    std::string title;
    std::string body;

    bool operator==(const ResetAlert&) const = default;
};

// The time of day in the user's locale, short style, without a date.
using TimeOfDayFormatter = std::function<std::string(Time)>;

// The alerts wanted for these providers at `now`, in provider then quota
// order: windows used to at least 70 % whose reset lies more than 5 seconds
// ahead.
std::vector<ResetAlert> resetAlerts(const std::vector<ProviderQuotas>& providers, Time now,
                                    const TimeOfDayFormatter& timeOfDay);

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
                       const std::vector<ProviderQuotas>& providers, Time now,
                       const TimeOfDayFormatter& timeOfDay);

// "test." and the current time in seconds, shortest form that reads back.
std::string testNotificationId(Time now);

class ResetNotifier {
public:
    // `center` may be null: no notification service on this desktop. Every
    // operation then does nothing.
    ResetNotifier(std::shared_ptr<NotificationCenter> center, std::shared_ptr<const Clock> clock,
                  TimeOfDayFormatter timeOfDay);
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
    TimeOfDayFormatter m_timeOfDay;
};

} // namespace brimlow
