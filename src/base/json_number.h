// The integral-number rule of numbers.h for values nlohmann has parsed, so
// every reader of a parsed message takes the same numbers as whole.
#pragma once

#include "base/numbers.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>

namespace brimlow {

// Absent for anything but a number with an integral value in int64's range:
// 300, 300.0 and 3e2 count; 300.5, "300" and 2^63 do not.
inline std::optional<std::int64_t> integralNumber(const nlohmann::json& value) {
    if (value.is_number_unsigned())
        return integralValue(value.get<std::uint64_t>());
    if (value.is_number_integer())
        return integralValue(value.get<std::int64_t>());
    if (value.is_number_float())
        return integralValue(value.get<double>());
    return std::nullopt;
}

} // namespace brimlow
