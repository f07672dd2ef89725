#include "records/records.h"

#include <cmath>
#include <cstdint>

namespace brimlow {

std::optional<Quota> currentWindow(const std::vector<Quota>& quotas, Time now) {
    for (const auto& quota : quotas) {
        if (!quota.reset || *quota.reset >= now)
            return quota;
    }
    return std::nullopt;
}

TokenTotals ProviderUsage::totals(Time since) const {
    TokenTotals sum;
    for (const auto& entry : entries) {
        if (entry.date < since)
            continue;
        // Saturate, as the readers do: wrapping around would turn a log with
        // absurd counts into a negative total.
        sum.input = saturatingAdd(sum.input, entry.input);
        sum.output = saturatingAdd(sum.output, entry.output);
        sum.cache = saturatingAdd(sum.cache, entry.cache);
    }
    return sum;
}

std::int64_t roundPercent(double percent) {
    if (!std::isfinite(percent))
        return 0;
    double rounded = std::round(percent);
    if (rounded >= 9.2e18)
        return INT64_MAX;
    if (rounded <= -9.2e18)
        return INT64_MIN;
    return std::int64_t(rounded);
}

} // namespace brimlow
