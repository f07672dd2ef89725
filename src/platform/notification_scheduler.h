// Holds notifications until their time comes. The desktop's notification
// service shows whatever it is sent at once and cannot schedule, so the
// program keeps the waiting requests itself and posts each when it is due.
//
// Due times are wall-clock times, like the rate-limit resets they announce.
// A timer on the monotonic clock would stand still while the machine sleeps
// and drift from the wall clock whenever that is set, so the scheduler looks
// at the wall clock again every time something may have moved it.
#pragma once

#include "base/time.h"
#include "notify/notification_center.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brimlow {

// Rings once, on the main thread, at or after a wall-clock deadline. It may
// also ring early (for example when the clock was set); whoever it rings for
// looks at the clock itself.
class WallClockAlarm {
public:
    virtual ~WallClockAlarm() = default;
    // Replaces any earlier deadline.
    virtual void armAt(Time deadline) = 0;
    virtual void disarm() = 0;
};

class NotificationScheduler {
public:
    using Post = std::function<void(const NotificationRequest&)>;

    NotificationScheduler(std::shared_ptr<const Clock> clock, WallClockAlarm& alarm, Post post);
    NotificationScheduler(const NotificationScheduler&) = delete;
    NotificationScheduler& operator=(const NotificationScheduler&) = delete;

    // A request that is already due is posted at once. One with the id of
    // a waiting request replaces it, as the system's own centres do.
    void add(NotificationRequest request);
    // Ids that are not waiting are ignored.
    void remove(const std::vector<std::string>& ids);
    // The waiting requests' ids, oldest added first.
    std::vector<std::string> pendingIds() const;

    // Posts every waiting request whose time has come, earliest first, each
    // exactly once, and arms the alarm for the next. Run when the alarm
    // rings, when the machine resumes from sleep and when the wall clock was
    // set: after any of these a due time may have passed unnoticed.
    void wake();

private:
    void arm();

    std::shared_ptr<const Clock> m_clock;
    WallClockAlarm& m_alarm;
    Post m_post;
    std::vector<NotificationRequest> m_waiting; // in the order they were added
};

} // namespace brimlow
