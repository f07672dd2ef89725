// The one rule for "a JSON number with an integral value", shared by every
// JSON reader so the fast log path and the message path agree.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
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
