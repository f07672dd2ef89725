#include "notify/reset_notifier.h"

#include "base/numbers.h"
#include "records/pace.h"

#include <chrono>
#include <set>

namespace brimlow {

namespace {

constexpr std::string_view kResetPrefix = "reset.";
constexpr std::string_view kPacePrefix = "pace.";
constexpr auto kMinimumLead = std::chrono::seconds(5);

std::string windowId(std::string_view prefix, const std::string& provider, const Quota& quota) {
    return std::string(prefix) + provider + "." + std::to_string(quota.minutes) + "." +
           std::to_string(toUnixSecondsTruncated(*quota.reset));
}

} // namespace

std::vector<ResetAlert> resetAlerts(const std::vector<ProviderQuotas>& providers, Time now) {
    std::vector<ResetAlert> alerts;
    for (const auto& provider : providers) {
        for (const auto& quota : provider.quotas) {
            // A NaN percent fails this comparison too, as it should.
            if (!(quota.percent >= kResetAlertThreshold) || !quota.reset ||
                *quota.reset <= now + kMinimumLead)
                continue;
            alerts.push_back(
                {windowId(kResetPrefix, provider.name, quota), *quota.reset, provider.name, quota});
        }
    }
    return alerts;
}

SyncPlan planResetSync(const std::vector<std::string>& pendingIds, Alerts alerts,
                       const std::vector<ProviderQuotas>& providers, Time now) {
    std::vector<std::string> ours;
    for (const auto& id : pendingIds) {
        if (id.starts_with(kResetPrefix))
            ours.push_back(id);
    }
    SyncPlan plan;
    if (alerts == Alerts::Off) {
        plan.remove = ours;
        return plan;
    }

    // A provider without any quota says nothing about its windows, so its
    // pending notifications stay as they are.
    std::vector<ProviderQuotas> active;
    for (const auto& provider : providers) {
        if (!provider.quotas.empty())
            active.push_back(provider);
    }
    std::vector<ResetAlert> wanted;
    for (const auto& provider : active) {
        for (auto& alert : resetAlerts({provider}, now))
            wanted.push_back(std::move(alert));
    }
    std::set<std::string> wantedIds;
    for (const auto& alert : wanted)
        wantedIds.insert(alert.id);

    for (const auto& id : ours) {
        bool ofActiveProvider = false;
        for (const auto& provider : active)
            ofActiveProvider |= id.starts_with(std::string(kResetPrefix) + provider.name + ".");
        if (ofActiveProvider && !wantedIds.contains(id))
            plan.remove.push_back(id);
    }
    std::set<std::string> pending(ours.begin(), ours.end());
    for (auto& alert : wanted) {
        // Already scheduled: left alone, so its timer is not restarted.
        if (!pending.contains(alert.id))
            plan.add.push_back(std::move(alert));
    }
    return plan;
}

std::vector<PaceAlert> paceAlerts(const std::vector<ProviderQuotas>& providers, Time now) {
    std::vector<PaceAlert> alerts;
    for (const auto& provider : providers) {
        for (const auto& quota : provider.quotas) {
            auto pace = windowPace(quota, provider.samples, now);
            if (!pace || !pace->runsOutBeforeReset || *pace->projectedFullAt > now + kPaceAlertLead)
                continue;
            alerts.push_back({windowId(kPacePrefix, provider.name, quota), provider.name, quota,
                              *pace->projectedFullAt, now});
        }
    }
    return alerts;
}

std::string testNotificationId(Time now) {
    return "test." + shortestDecimal(toUnixSeconds(now));
}

ResetNotifier::ResetNotifier(std::shared_ptr<NotificationCenter> center,
                             std::shared_ptr<const Clock> clock, AlertWording wording)
    : m_center(std::move(center)), m_clock(std::move(clock)), m_wording(std::move(wording)) {
    if (m_center) {
        m_center->setOpenHandler([this] {
            if (onOpen)
                onOpen();
        });
    }
}

ResetNotifier::~ResetNotifier() {
    if (m_center)
        m_center->setOpenHandler(nullptr);
}

void ResetNotifier::sync(Alerts alerts, std::vector<ProviderQuotas> providers) {
    if (!m_center)
        return;
    SyncPlan plan = planResetSync(m_center->pendingIds(), alerts, providers, m_clock->now());
    m_center->cancel(plan.remove);
    for (const auto& alert : plan.add) {
        NotificationText text = m_wording.reset(alert);
        m_center->schedule({alert.id, text.title, text.body, alert.fireAt});
    }

    // Pace alerts go out at once, so none is left pending to reconcile.
    Time now = m_clock->now();
    std::erase_if(m_pacePosted, [&](const auto& posted) { return posted.second <= now; });
    if (alerts == Alerts::Off)
        return;
    for (const auto& alert : paceAlerts(providers, now)) {
        if (!m_pacePosted.emplace(alert.id, *alert.quota.reset).second)
            continue;
        NotificationText text = m_wording.pace(alert);
        m_center->schedule({alert.id, text.title, text.body, now});
    }
}

void ResetNotifier::test() {
    if (!m_center)
        return;
    Time now = m_clock->now();
    NotificationText text = m_wording.test();
    m_center->schedule(
        {testNotificationId(now), text.title, text.body, now + std::chrono::seconds(3)});
}

} // namespace brimlow
