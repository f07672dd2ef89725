#include "records/pace.h"

#include <algorithm>
#include <cmath>

namespace brimlow {

bool sameWindow(const Quota& a, const Quota& b) {
    if (a.minutes != b.minutes || a.reset.has_value() != b.reset.has_value())
        return false;
    return !a.reset || (*a.reset > *b.reset ? *a.reset - *b.reset : *b.reset - *a.reset) <=
                           std::chrono::duration_cast<Time::duration>(kResetTolerance);
}

std::optional<Pace> windowPace(const Quota& window, std::span<const QuotaSample> samples,
                               Time now) {
    if (window.reset && *window.reset < now)
        return std::nullopt; // refilled already: its samples are another window's past
    std::optional<QuotaSample> first, last;
    for (const auto& sample : samples) {
        if (sample.at > now || sample.at < now - kPaceSpan || !sameWindow(sample.quota, window) ||
            !std::isfinite(sample.quota.percent))
            continue;
        if (!first || sample.at < first->at)
            first = sample;
        if (!last || sample.at >= last->at)
            last = sample;
    }
    if (!first || last->at - first->at < kMinimumPaceSpan)
        return std::nullopt;

    auto hours = [](Time::duration d) {
        return std::chrono::duration<double, std::ratio<3600>>(d).count();
    };
    Pace pace;
    pace.percentPerHour =
        (last->quota.percent - first->quota.percent) / hours(last->at - first->at);
    if (!(pace.percentPerHour > 0))
        return pace;
    double hoursLeft = std::max(0.0, 100.0 - last->quota.percent) / pace.percentPerHour;
    // Beyond a few years the projection says nothing; this also keeps the
    // arithmetic far from Time's limits.
    if (hoursLeft > 24 * 365 * 10)
        return pace;
    pace.projectedFullAt =
        last->at + std::chrono::duration_cast<Time::duration>(
                       std::chrono::duration<double, std::ratio<3600>>(hoursLeft));
    pace.runsOutBeforeReset = window.reset && *pace.projectedFullAt < *window.reset;
    return pace;
}

void addSamples(std::vector<QuotaSample>& samples, const std::vector<Quota>& quotas, Time at) {
    for (const auto& quota : quotas)
        samples.push_back({at, quota});
}

void keepRecentSamples(std::vector<QuotaSample>& samples) {
    if (samples.empty())
        return;
    std::stable_sort(samples.begin(), samples.end(),
                     [](const QuotaSample& a, const QuotaSample& b) { return a.at < b.at; });
    Time oldest = samples.back().at - kSampleHorizon;
    std::erase_if(samples, [&](const QuotaSample& s) { return s.at < oldest; });
    if (samples.size() > kMaxSamples)
        samples.erase(samples.begin(), samples.end() - std::ptrdiff_t(kMaxSamples));
}

} // namespace brimlow
