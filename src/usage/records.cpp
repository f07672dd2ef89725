#include "usage/records.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace brimlow {

std::string Quota::label() const {
    if (minutes == 300)
        return "5시간";
    if (minutes == 10080)
        return "주간";
    return std::to_string(minutes) + "분";
}

TokenTotals ProviderUsage::totals(Time since) const {
    TokenTotals sum;
    for (const auto& entry : entries) {
        if (entry.date < since)
            continue;
        // Wrap instead of overflowing: real counts stay far below the limit.
        sum.input = std::int64_t(std::uint64_t(sum.input) + std::uint64_t(entry.input));
        sum.output = std::int64_t(std::uint64_t(sum.output) + std::uint64_t(entry.output));
        sum.cache = std::int64_t(std::uint64_t(sum.cache) + std::uint64_t(entry.cache));
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
