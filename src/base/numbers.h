// The one rule for "a JSON number with an integral value", shared by every
// JSON reader so the fast log path and the message path agree.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace brimlow {

// A double counts when it has no fraction and fits a signed 64-bit integer.
inline std::optional<std::int64_t> integralValue(double value) {
    if (!std::isfinite(value) || std::trunc(value) != value || value < -9223372036854775808.0 ||
        value >= 9223372036854775808.0)
        return std::nullopt;
    return std::int64_t(value);
}

inline std::optional<std::int64_t> integralValue(std::uint64_t value) {
    if (value > std::uint64_t(INT64_MAX))
        return std::nullopt;
    return std::int64_t(value);
}

inline std::optional<std::int64_t> integralValue(std::int64_t value) {
    return value;
}

// splitmix64's finaliser: every bit of the input moves every bit of the
// output, for hashes that must stay the same from build to build.
inline std::uint64_t mixBits(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// Log counts are outside data: sums stop at the ends of the range instead of
// overflowing.
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
}

inline std::int64_t saturatingSub(std::int64_t a, std::int64_t b) {
    std::int64_t difference;
    if (!__builtin_sub_overflow(a, b, &difference))
        return difference;
    return b < 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
}

// The shortest decimal text that reads back as the same double, in plain
// notation and with at least one digit after the point: 12 gives "12.0",
// 7.5 gives "7.5". Never depends on the locale.
inline std::string shortestDecimal(double value) {
    char text[400];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
    std::string result(text, end);
    if (result.find('.') == std::string::npos && std::isfinite(value))
        result += ".0";
    return result;
}

} // namespace brimlow
