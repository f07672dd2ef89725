#include "records/records.h"

#include <algorithm>
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

namespace {

// Saturates, as the readers do: wrapping around would turn a log with absurd
// counts into a negative total.
void add(TokenTotals& sum, std::int64_t input, std::int64_t output, std::int64_t cache) {
    sum.input = saturatingAdd(sum.input, input);
    sum.output = saturatingAdd(sum.output, output);
    sum.cache = saturatingAdd(sum.cache, cache);
}

Time utcMidnight(Time t) {
    return std::chrono::floor<std::chrono::days>(t);
}

} // namespace

Time keptSpanStart(Time now) {
    using namespace std::chrono;
    // Clamped: a clock at the start of time keeps everything.
    if (now < distantPast() + days(9))
        return distantPast();
    return utcMidnight(now - days(8));
}

void addToDay(std::vector<DayTotals>& days, Time date, const TokenTotals& tokens) {
    Time day = utcMidnight(date);
    // Logs are mostly read in date order: the last day is the usual one.
    auto at = !days.empty() && days.back().day == day
                  ? days.end() - 1
                  : std::lower_bound(days.begin(), days.end(), day,
                                     [](const DayTotals& held, Time t) { return held.day < t; });
    if (at == days.end() || at->day != day)
        at = days.insert(at, DayTotals{day, {}, 0});
    add(at->totals, tokens.input, tokens.output, tokens.cache);
    at->records = saturatingAdd(at->records, std::int64_t(1));
}

TokenTotals ProviderUsage::totals(Time since) const {
    TokenTotals sum;
    for (const auto& day : olderDays) {
        if (day.day >= since)
            add(sum, day.totals.input, day.totals.output, day.totals.cache);
    }
    for (const auto& entry : entries) {
        if (entry.date >= since)
            add(sum, entry.input, entry.output, entry.cache);
    }
    return sum;
}

std::int64_t ProviderUsage::recordCount() const {
    std::int64_t count = std::int64_t(entries.size());
    for (const auto& day : olderDays)
        count = saturatingAdd(count, day.records);
    return count;
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
