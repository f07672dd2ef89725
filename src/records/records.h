// The usage records every part of the program passes around: one provider's
// token entries and rate-limit windows. Plain values, compared field by field.
#pragma once

#include "base/numbers.h"
#include "base/result.h"
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

    bool operator==(const Quota&) const = default;
};

// One reading of a window: its percent at a moment. A window's history is
// its samples with the same length and reset; the pace comes from them.
struct QuotaSample {
    Time at;
    Quota quota;

    bool operator==(const QuotaSample&) const = default;
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

// Where a provider's figures came from, as the last step that touched them
// found it. The panel words it under the provider's card.
enum class FiguresSource {
    NotReadYet,             // before the first refresh
    NoLocalRecords,         // the logs hold no usage records
    CodexLogs,              // tokens and windows from Codex's logs
    ClaudeLogs,             // tokens from Claude Code's logs
    ClaudeStatusLine,       // windows from the status line's snapshot, tokens from logs
    CodexLive,              // windows from Codex's live answer
    CodexLiveWithoutLimits, // the live answer held no windows; the local ones stay
    CodexQueryFailed,       // the live query failed; the local windows stay
};

// Entries summed over a span that starts at `start`: a UTC day, or a
// quarter of an hour where a period may begin (see fineSumsFrom()).
struct TokenSum {
    Time start;
    TokenTotals totals;
    std::int64_t records = 0;

    bool operator==(const TokenSum&) const = default;
};

// Where sums turn from UTC days to quarter hours: the UTC midnight at or
// before eight days before `now`. Every period begins at a local midnight
// after it (the longest, the last seven local days, included), and a local
// midnight falls on a quarter hour of UTC in every time zone in use; so the
// sums give every period's figures exactly.
Time fineSumsFrom(Time now);

// Adds an entry to the sums, kept in order of their start.
void addToSums(std::vector<TokenSum>& sums, Time date, const TokenTotals& tokens, Time fineFrom);

struct ProviderUsage {
    // Entries one by one, or (a reader with a clock) summed: a user's whole
    // history then costs a few thousand sums, not an entry for every request.
    std::vector<TokenEntry> entries;
    std::vector<TokenSum> sums;
    std::vector<Quota> quotas;
    std::optional<Time> quotaDate;
    FiguresSource source = FiguresSource::NotReadYet;
    // With CodexQueryFailed: what went wrong (one of the query's own kinds,
    // or a system error).
    std::optional<Error> queryFailure;
    std::optional<std::string> plan;
    // Recent readings of the windows, oldest first, in the windows' order
    // where they share a moment; bounded (see keepRecentSamples()).
    std::vector<QuotaSample> samples;

    // Sums over the entries dated at or after `since`. A sum counts whole
    // when its start is at or after `since`: exact where `since` is at the
    // start of one, as every period's is.
    TokenTotals totals(Time since) const;
    // Every entry, one by one or summed.
    std::int64_t recordCount() const;

    bool operator==(const ProviderUsage&) const = default;
};

// The first window whose reset is absent or not yet passed, in list order.
std::optional<Quota> currentWindow(const std::vector<Quota>& quotas, Time now);

// Percent rounded half away from zero, as shown in titles and notifications.
std::int64_t roundPercent(double percent);

} // namespace brimlow
