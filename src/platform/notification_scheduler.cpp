#include "platform/notification_scheduler.h"

#include <algorithm>
#include <iterator>

namespace brimlow {

NotificationScheduler::NotificationScheduler(std::shared_ptr<const Clock> clock,
                                             WallClockAlarm& alarm, Post post)
    : m_clock(std::move(clock)), m_alarm(alarm), m_post(std::move(post)) {}

void NotificationScheduler::add(NotificationRequest request) {
    std::erase_if(m_waiting, [&](const auto& waiting) { return waiting.id == request.id; });
    m_waiting.push_back(std::move(request));
    wake();
}

void NotificationScheduler::remove(const std::vector<std::string>& ids) {
    std::erase_if(m_waiting, [&](const auto& waiting) {
        return std::find(ids.begin(), ids.end(), waiting.id) != ids.end();
    });
    arm();
}

std::vector<std::string> NotificationScheduler::pendingIds() const {
    std::vector<std::string> ids;
    ids.reserve(m_waiting.size());
    for (const auto& request : m_waiting)
        ids.push_back(request.id);
    return ids;
}

void NotificationScheduler::wake() {
    Time now = m_clock->now();
    auto firstDue =
        std::stable_partition(m_waiting.begin(), m_waiting.end(),
                              [&](const auto& request) { return request.fireAt > now; });
    std::vector<NotificationRequest> due(std::make_move_iterator(firstDue),
                                         std::make_move_iterator(m_waiting.end()));
    m_waiting.erase(firstDue, m_waiting.end());
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a.fireAt < b.fireAt; });
    // Settled before posting: a post that adds or removes requests finds the
    // waiting list and the alarm consistent, and nothing due is posted twice.
    arm();
    for (const auto& request : due)
        m_post(request);
}

void NotificationScheduler::arm() {
    if (m_waiting.empty()) {
        m_alarm.disarm();
        return;
    }
    auto next = std::min_element(m_waiting.begin(), m_waiting.end(),
                                 [](const auto& a, const auto& b) { return a.fireAt < b.fireAt; });
    m_alarm.armAt(next->fireAt);
}

} // namespace brimlow
