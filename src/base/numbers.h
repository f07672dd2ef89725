// The one rule for "a JSON number with an integral value", shared by every
// JSON reader so the fast log path and the message path agree.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

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

} // namespace brimlow
