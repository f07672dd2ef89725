#include "records/records.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace brimlow {

std::string Quota::label() const {
    if (minutes == kFiveHourWindow)
        return "5시간";
    if (minutes == kWeekWindow)
        return "주간";
    return std::to_string(minutes) + "분";
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

std::string compact(std::int64_t n) {
    if (n < 1000)
        return std::to_string(n);
    // to_chars rounds the exact binary value as printf's "%.1f" does (a tie
    // goes to even) and, unlike printf, never uses the locale's separator.
    bool thousands = n < 1000000;
    double scaled = thousands ? double(n) / 1000.0 : double(n) / 1000000.0;
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, scaled, std::chars_format::fixed, 1).ptr;
    return std::string(text, end) + (thousands ? "K" : "M");
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
