#include "base/time.h"

#include <cmath>
#include <ctime>

namespace brimlow {

using namespace std::chrono;

Time SystemClock::now() const {
    return systemNow();
}

Time systemNow() {
    return time_point_cast<microseconds>(system_clock::now());
}

namespace {

// Reads exactly `count` decimal digits at `pos`.
std::optional<int> digits(std::string_view s, size_t pos, size_t count) {
    if (pos + count > s.size())
        return std::nullopt;
    int value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        value = value * 10 + (s[i] - '0');
    }
    return value;
}

} // namespace

std::optional<Time> parseRfc3339(std::string_view s) {
    // 2025-10-01T09:30:15 is 19 characters; the shortest valid text adds "Z".
    // RFC 3339 allows "t" and "z" in lower case as well.
    if (s.size() < 20 || s[4] != '-' || s[7] != '-' || (s[10] != 'T' && s[10] != 't') ||
        s[13] != ':' || s[16] != ':')
        return std::nullopt;
    auto year = digits(s, 0, 4), month = digits(s, 5, 2), day = digits(s, 8, 2);
    auto hour = digits(s, 11, 2), minute = digits(s, 14, 2), second = digits(s, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    year_month_day date{std::chrono::year{*year}, std::chrono::month(unsigned(*month)),
                        std::chrono::day(unsigned(*day))};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;

    size_t pos = 19;
    std::int64_t micros = 0;
    if (s[pos] == '.') {
        ++pos;
        size_t start = pos;
        int scale = 100000;
        while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
            micros += (s[pos] - '0') * scale;
            scale /= 10;
            ++pos;
        }
        if (pos == start)
            return std::nullopt;
    }
    if (pos >= s.size())
        return std::nullopt;

    std::int64_t offsetMinutes = 0;
    if (s[pos] == 'Z' || s[pos] == 'z') {
        ++pos;
    } else if (s[pos] == '+' || s[pos] == '-') {
        auto oh = digits(s, pos + 1, 2), om = digits(s, pos + 4, 2);
        if (!oh || !om || pos + 3 >= s.size() || s[pos + 3] != ':' || *oh > 23 || *om > 59)
            return std::nullopt;
        offsetMinutes = (*oh * 60 + *om) * (s[pos] == '-' ? -1 : 1);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != s.size())
        return std::nullopt;

    auto local = sys_days(date) + hours(*hour) + minutes(*minute) + seconds(*second);
    return Time(duration_cast<microseconds>(local.time_since_epoch()) + microseconds(micros) -
                minutes(offsetMinutes));
}

std::optional<Time> fromUnixSeconds(double secs) {
    // A Time holds about ±292 000 years; stay well inside it.
    constexpr double limit = 9.0e12;
    if (!std::isfinite(secs) || secs > limit || secs < -limit)
        return std::nullopt;
    return Time(microseconds(std::llround(secs * 1e6)));
}

double toUnixSeconds(Time t) {
    return double(t.time_since_epoch().count()) / 1e6;
}

std::int64_t toUnixSecondsTruncated(Time t) {
    return duration_cast<seconds>(t.time_since_epoch()).count();
}

std::string formatUtcSeconds(Time t) {
    auto secs = floor<seconds>(t);
    auto day = floor<days>(secs);
    year_month_day date{day};
    hh_mm_ss<seconds> clock{secs - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld +0000", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), long(clock.hours().count()),
                  long(clock.minutes().count()), long(clock.seconds().count()));
    return text;
}

namespace {

Time fromLocalMidnight(std::tm tm) {
    tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
    tm.tm_isdst = -1;
    return Time(seconds(std::mktime(&tm)));
}

} // namespace

Time startOfLocalDay(Time t) {
    std::time_t secs = floor<seconds>(t).time_since_epoch().count();
    std::tm tm{};
    localtime_r(&secs, &tm);
    return fromLocalMidnight(tm);
}

Time addLocalDays(Time localMidnight, int days) {
    std::time_t secs = floor<seconds>(localMidnight).time_since_epoch().count();
    std::tm tm{};
    localtime_r(&secs, &tm);
    tm.tm_mday += days;
    return fromLocalMidnight(tm);
}

} // namespace brimlow
