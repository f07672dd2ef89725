#include "platform/timerfd_alarm.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace brimlow {

namespace {

// An all-zero it_value would disarm the timer instead of firing it, and a
// negative one is refused, so times at or before the epoch become 1 ns.
timespec toTimespec(Time deadline) {
    auto micros = deadline.time_since_epoch().count();
    if (micros <= 0)
        return {0, 1};
    return {time_t(micros / 1000000), long(micros % 1000000) * 1000};
}

} // namespace

Result<UniqueFd> createRealtimeTimer() {
    int fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno, "timerfd_create");
    return UniqueFd(fd);
}

TimerfdAlarm::TimerfdAlarm(UniqueFd timer, std::function<void()> ring)
    : m_timer(std::move(timer)), m_ring(std::move(ring)),
      m_notifier(std::make_unique<QSocketNotifier>(m_timer.get(), QSocketNotifier::Read)) {
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readable(); });
}

TimerfdAlarm::~TimerfdAlarm() = default;

void TimerfdAlarm::armAt(Time deadline) {
    itimerspec spec{};
    spec.it_value = toTimespec(deadline);
    // Arming again also clears a cancellation: the next clock change is
    // reported afresh.
    timerfd_settime(m_timer.get(), TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
}

void TimerfdAlarm::disarm() {
    itimerspec spec{};
    timerfd_settime(m_timer.get(), 0, &spec, nullptr);
}

void TimerfdAlarm::readable() {
    std::uint64_t expirations = 0;
    ssize_t got = ::read(m_timer.get(), &expirations, sizeof expirations);
    // Expired, or ECANCELED: the clock was set. Either way the deadline
    // must be looked at again. Nothing to read was a stale wake-up.
    if (got < 0 && errno != ECANCELED)
        return;
    m_ring();
}

} // namespace brimlow
