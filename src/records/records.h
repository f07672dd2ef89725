// The usage records every part of the program passes around: one provider's
// token entries and rate-limit windows. Plain values, compared field by field.
#pragma once

#include "base/numbers.h"
#include "base/time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brimlow {

struct TokenEntry {
    // Claude: the message id. Codex: the log file's path, ":" and the line's
    // timestamp as formatUtcSeconds() writes it.
    std::string id;
    Time date;
    std::int64_t input = 0;
    std::int64_t output = 0;
    // Claude: cache-read plus cache-creation input. Codex: always 0, because
    // its input count already includes cached input.
    std::int64_t cache = 0;

    bool operator==(const TokenEntry&) const = default;
};

// The two window lengths both tools report, in minutes.
inline constexpr std::int64_t kFiveHourWindow = 5 * 60;
inline constexpr std::int64_t kWeekWindow = 7 * 24 * 60;

struct Quota {
    double percent = 0;       // share of the window used, 0 to 100
    std::int64_t minutes = 0; // window length, e.g. kFiveHourWindow
    std::optional<Time> reset;

    // "5시간", "주간", otherwise the minute count and "분".
    std::string label() const;

    bool operator==(const Quota&) const = default;
};

struct TokenTotals {
    std::int64_t input = 0;
    std::int64_t output = 0;
    std::int64_t cache = 0;

    // Counts come from outside data: like the sums, the total stops at the
    // end of the range instead of overflowing.
    std::int64_t sum() const { return saturatingAdd(saturatingAdd(input, output), cache); }
    bool operator==(const TokenTotals&) const = default;
};

struct ProviderUsage {
    std::vector<TokenEntry> entries;
    std::vector<Quota> quotas;
    std::optional<Time> quotaDate;
    std::string status;
    std::optional<std::string> plan;

    // Sums over the entries dated at or after `since`.
    TokenTotals totals(Time since) const;

    bool operator==(const ProviderUsage&) const = default;
};

// Token counts in a few characters: "999", "1.2K", "3.4M" (always a full stop).
std::string compact(std::int64_t n);

// Percent rounded half away from zero, as shown in titles and notifications.
std::int64_t roundPercent(double percent);

} // namespace brimlow
