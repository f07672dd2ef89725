// Notifications for rate-limit resets: when a window that was used to 70 %
// or more is refilled, the user hears of it at that moment. And, with the
// same switch, a warning when a window is about to run out before it resets.
#pragma once

#include "notify/notification_center.h"
#include "records/records.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brimlow {

inline constexpr double kResetAlertThreshold = 70.0;
// A pace alert goes out once the projected end is this close.
inline constexpr std::chrono::minutes kPaceAlertLead{30};

enum class Alerts { Off, On };

struct ProviderQuotas {
    std::string name; // "Codex", "Claude"; part of the notification ids
    std::vector<Quota> quotas;
    std::vector<QuotaSample> samples; // for the pace
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

// A window that, at the pace of the last hour, runs out at `projectedFullAt`,
// before its reset; decided at `now`.
struct PaceAlert {
    std::string id;
    std::string provider;
    Quota quota;
    Time projectedFullAt;
    Time now;

    bool operator==(const PaceAlert&) const = default;
};

struct NotificationText {
    std::string title;
    std::string body;
};

// The words of the notifications; the notifier decides only when they go out.
struct AlertWording {
    std::function<NotificationText(const ResetAlert&)> reset;
    std::function<NotificationText(const PaceAlert&)> pace;
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

// The pace alerts due at `now`: current windows that run out before their
// reset, within kPaceAlertLead of `now`.
std::vector<PaceAlert> paceAlerts(const std::vector<ProviderQuotas>& providers, Time now);

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
    // Brings the pending reset notifications in line with these quotas, and
    // posts the pace alerts that are due, each once per window and reset.
    void sync(Alerts alerts, std::vector<ProviderQuotas> providers);
    // A sample notification three seconds from now.
    void test();

private:
    std::shared_ptr<NotificationCenter> m_center;
    std::shared_ptr<const Clock> m_clock;
    AlertWording m_wording;
    // The pace alerts posted, by id, with the reset of their window: once
    // it has passed, the id can't come again and is forgotten.
    std::map<std::string, Time> m_pacePosted;
};

} // namespace brimlow
