// How fast a window is being used up, and whether it runs out before it is
// refilled: the rate over the last hour of its samples, carried forward.
#pragma once

#include "records/records.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace brimlow {

// The stretch of history the rate is taken over, and the shortest one that
// gives a rate at all.
inline constexpr std::chrono::minutes kPaceSpan{60};
inline constexpr std::chrono::minutes kMinimumPaceSpan{5};
// How far two reports of one window's reset may differ: the tools compute it
// from "now" plus the seconds left, so it wanders by a second or two.
inline constexpr std::chrono::minutes kResetTolerance{2};
// Samples older than this (before the newest) are not kept by the readers,
// nor more than this many of the newest: a session's log can hold a
// snapshot every few seconds.
inline constexpr std::chrono::hours kSampleHorizon{3};
inline constexpr std::size_t kMaxSamples = 4096;

struct Pace {
    double percentPerHour = 0;
    // When 100 % comes at this rate; none when the percent did not rise.
    std::optional<Time> projectedFullAt;
    // The projection comes before the window's reset.
    bool runsOutBeforeReset = false;

    bool operator==(const Pace&) const = default;
};

// Whether a sample belongs to this window: the same length and the same
// reset (within kResetTolerance), or both without a reset.
bool sameWindow(const Quota& a, const Quota& b);

// The pace of a current `window` at `now` (none once its reset has passed)
// from `samples` (any windows, any order): the
// window's own samples of the last hour, up to `now` (one dated later was
// taken before the clock was set back). The rate runs from the oldest of
// them to the newest, which must lie at least five minutes apart; the
// projection carries the newest on at that rate.
std::optional<Pace> windowPace(const Quota& window, std::span<const QuotaSample> samples, Time now);

// Adds one sample per window at `at`.
void addSamples(std::vector<QuotaSample>& samples, const std::vector<Quota>& quotas, Time at);

// Drops the samples more than kSampleHorizon older than the newest and all
// but the newest kMaxSamples, and puts the rest in time order (stable, so
// the windows' order at one moment stays).
void keepRecentSamples(std::vector<QuotaSample>& samples);

} // namespace brimlow
