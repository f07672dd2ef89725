#include "base/time.h"
#include "test_support/time_zone.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono;

Time utc(int y, unsigned m, unsigned d, int hh = 0, int mm = 0, int ss = 0, int us = 0) {
    return Time(sys_days(year{y} / month{m} / day{d}) + hours(hh) + minutes(mm) + seconds(ss) +
                microseconds(us));
}

TEST(Rfc3339, AcceptsZuluAndOffsetsWithAndWithoutFractionAndNothingElse) {
    const std::pair<const char*, std::optional<Time>> cases[] = {
        {"2025-10-01T09:30:15Z", utc(2025, 10, 1, 9, 30, 15)},
        {"2025-10-01T09:30:15.250Z", utc(2025, 10, 1, 9, 30, 15, 250000)},
        {"2025-10-01T09:30:15.123456789Z", utc(2025, 10, 1, 9, 30, 15, 123456)},
        {"2025-10-01T18:30:15+09:00", utc(2025, 10, 1, 9, 30, 15)},
        {"2025-10-01T00:00:00.5-01:30", utc(2025, 10, 1, 1, 30, 0, 500000)},
        {"1969-12-31T23:59:59.999999Z", utc(1969, 12, 31, 23, 59, 59, 999999)},
        {"2025-10-01T09:30:15", {}},       // no zone
        {"2025-10-01 09:30:15Z", {}},      // blank instead of T
        {"2025-10-01T09:30:15.Z", {}},     // empty fraction
        {"2025-10-01T09:30:15+0900", {}},  // offset without colon
        {"2025-10-01T09:30:15Zjunk", {}},  // trailing text
        {"2025-10-01T09:30:15+24:00", {}}, // offset hour
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseRfc3339(text), expected) << text;
}

TEST(TimeFormatting, UtcSecondsTextAndUnixSeconds) {
    EXPECT_EQ(formatUtcSeconds(utc(2025, 10, 1, 9, 30, 15, 999999)), "2025-10-01 09:30:15 +0000");
    EXPECT_EQ(fromUnixSeconds(1760000000.25), utc(2025, 10, 9, 8, 53, 20, 250000));
    EXPECT_EQ(toUnixSecondsTruncated(*fromUnixSeconds(-1.5)), -1);
    EXPECT_FALSE(fromUnixSeconds(1e300));
    EXPECT_FALSE(fromUnixSeconds(std::numeric_limits<double>::infinity()));
}

TEST(LocalDays, MidnightFollowsTheLocalCalendarAcrossDaylightSaving) {
    InTimeZone zone("Europe/Berlin");
    // Clocks went forward on 2025-03-30; a week later midnight is at 22:00 UTC,
    // while six calendar days earlier (before the change) it was at 23:00 UTC.
    Time today = startOfLocalDay(utc(2025, 4, 2, 22, 30)); // 2025-04-03 00:30 local
    EXPECT_EQ(today, utc(2025, 4, 2, 22, 0));
    EXPECT_EQ(addLocalDays(today, -6), utc(2025, 3, 27, 23, 0));
}

} // namespace
} // namespace brimlow
