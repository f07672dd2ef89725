// The wall-clock alarm on a Linux timerfd. Its deadline is an absolute time
// on CLOCK_REALTIME, so the kernel keeps it right across clock changes and
// lets it fire as soon as the machine resumes past it; and because it asks
// to be cancelled when the clock is set, it also rings then, which lets the
// scheduler look at the clock again.
#pragma once

#include "base/unique_fd.h"
#include "platform/notification_scheduler.h"

#include <functional>
#include <memory>

class QSocketNotifier;

namespace brimlow {

// A non-blocking, close-on-exec timerfd on CLOCK_REALTIME.
Result<UniqueFd> createRealtimeTimer();

class TimerfdAlarm final : public WallClockAlarm {
public:
    // `ring` runs from the event loop of the thread that made the alarm.
    TimerfdAlarm(UniqueFd timer, std::function<void()> ring);
    ~TimerfdAlarm() override;
    TimerfdAlarm(const TimerfdAlarm&) = delete;
    TimerfdAlarm& operator=(const TimerfdAlarm&) = delete;

    void armAt(Time deadline) override;
    void disarm() override;

private:
    void readable();

    UniqueFd m_timer;
    std::function<void()> m_ring;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace brimlow
