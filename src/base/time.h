// Points in time as the whole program sees them: UTC, microsecond precision.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brimlow {

using Time = std::chrono::sys_time<std::chrono::microseconds>;

// The clock is a seam: code that needs "now" takes it as an argument or a Clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Time now() const = 0;
};

class SystemClock final : public Clock {
public:
    Time now() const override;
};

Time systemNow();

// RFC 3339 date-time: YYYY-MM-DDTHH:MM:SS, optional fraction, then "Z" or
// +hh:mm / -hh:mm. Anything else (no zone, other separators, out-of-range
// fields) is rejected. Digits beyond microseconds are truncated.
std::optional<Time> parseRfc3339(std::string_view text);

// Seconds since the epoch, fraction kept; absent when not finite or outside
// the range a Time can hold.
std::optional<Time> fromUnixSeconds(double seconds);
double toUnixSeconds(Time t);
// Whole seconds since the epoch, fraction cut off toward zero.
std::int64_t toUnixSecondsTruncated(Time t);

// "2025-10-01 09:30:15 +0000": UTC, whole seconds.
std::string formatUtcSeconds(Time t);

// Midnight of t's day in the process's local time zone (TZ), and the local
// midnight `days` calendar days away from a local midnight. Both follow the
// calendar, so they stay at midnight across daylight-saving changes.
Time startOfLocalDay(Time t);
Time addLocalDays(Time localMidnight, int days);

// The earliest representable time: every record is at or after it.
constexpr Time distantPast() {
    return Time::min();
}

} // namespace brimlow
