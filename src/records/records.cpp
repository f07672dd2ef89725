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

} // namespace

Time fineSumsFrom(Time now) {
    using namespace std::chrono;
    // Clamped: a clock at the start of time keeps everything fine.
    if (now < distantPast() + days(9))
        return distantPast();
    return floor<days>(now - days(8));
}

void addToSums(std::vector<TokenSum>& sums, Time date, const TokenTotals& tokens, Time fineFrom) {
    using namespace std::chrono;
    using QuarterHours = duration<std::int64_t, std::ratio<15 * 60>>;
    Time start = date < fineFrom ? Time(floor<days>(date)) : Time(floor<QuarterHours>(date));
    // Logs are mostly read in date order: the last sum is the usual one.
    auto at = !sums.empty() && sums.back().start == start
                  ? sums.end() - 1
                  : std::lower_bound(sums.begin(), sums.end(), start,
                                     [](const TokenSum& held, Time t) { return held.start < t; });
    if (at == sums.end() || at->start != start)
        at = sums.insert(at, TokenSum{start, {}, 0});
    add(at->totals, tokens.input, tokens.output, tokens.cache);
    at->records = saturatingAdd(at->records, std::int64_t(1));
}

TokenTotals ProviderUsage::totals(Time since) const {
    TokenTotals sum;
    for (const auto& part : sums) {
        if (part.start >= since)
            add(sum, part.totals.input, part.totals.output, part.totals.cache);
    }
    for (const auto& entry : entries) {
        if (entry.date >= since)
            add(sum, entry.input, entry.output, entry.cache);
    }
    return sum;
}

std::int64_t ProviderUsage::recordCount() const {
    std::int64_t count = std::int64_t(entries.size());
    for (const auto& part : sums)
        count = saturatingAdd(count, part.records);
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
