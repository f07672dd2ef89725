// What one JSONL log file contributes to the readers: its lines reduced to
// the few members the Codex and Claude readers use.
//
// The reader caches these reductions, not the JSON, for every log file it has
// seen, and recomputes both records from them every minute. A log is mostly
// message text and tool output that no reader looks at; keeping only numbers,
// a parsed time and a message id holds the cache to a few percent of the
// logs' size and lets a rescan of unchanged files run without any parsing.
#pragma once

#include "records/records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimlow {

// A line whose "message" has a text "id" and a "usage" object (Claude).
struct UsageRow {
    // The message id, as a range of LogRows::ids: one text block per file
    // instead of one allocation per row.
    std::uint32_t idOffset = 0;
    std::uint32_t idLength = 0;
    // Only a JSON text that parses as RFC 3339 gives a time.
    std::optional<Time> timestamp;
    // Each is 0 unless the member is a number with an integral value of 0
    // or more.
    std::int64_t input = 0;
    std::int64_t output = 0;
    std::int64_t cacheRead = 0;
    std::int64_t cacheCreation = 0;

    bool operator==(const UsageRow&) const = default;
};

// A line whose "payload" is an object with "type" "token_count" (Codex).
struct TokenCountRow {
    std::optional<Time> timestamp;
    // "rate_limits" is an object, and its "limit_id" is "codex" or absent or
    // not a text.
    bool hasRateLimits = false;
    bool codexLimit = false;
    // The usable windows of "rate_limits", primary first.
    std::array<Quota, 2> quotas{};
    std::uint8_t quotaCount = 0;
    std::optional<std::string> plan;
    // "info" and its "total_token_usage" are both objects.
    bool hasCounters = false;
    std::int64_t input = 0;
    std::int64_t output = 0;
    // "info" → "last_token_usage": what this one request used, where the
    // line says so with a count of 0 or more. A forked session's totals go
    // on from its parent's, so only these tell its first request apart.
    std::optional<std::int64_t> lastInput;
    std::optional<std::int64_t> lastOutput;

    std::vector<Quota> quotaList() const { return {quotas.begin(), quotas.begin() + quotaCount}; }
    bool operator==(const TokenCountRow&) const = default;
};

// One file's rows of each shape, each list in line order. A reader uses one
// shape only, so keeping them apart loses nothing it depends on.
struct LogRows {
    std::vector<UsageRow> usage;
    std::vector<TokenCountRow> tokenCounts;
    std::string ids;

    std::string_view id(const UsageRow& row) const {
        return std::string_view(ids).substr(row.idOffset, row.idLength);
    }
    bool empty() const { return usage.empty() && tokenCounts.empty(); }
    bool operator==(const LogRows&) const = default;
};

// What the Codex reader built from one file's rows so far, so that it can
// go on from there when the file grows: its counting state, its entries,
// its newest snapshot and its recent samples. Whoever replaces rows it has
// used (the reader, for an unfinished last line) starts it over.
struct CodexFileState {
    std::size_t rowsUsed = 0;
    bool counted = false; // a row with counters was met: the next is a delta
    std::int64_t previousInput = 0;
    std::int64_t previousOutput = 0;
    std::vector<TokenEntry> entries;
    std::vector<Quota> snapshot;
    std::optional<Time> snapshotDate;
    std::optional<std::string> plan;
    std::vector<QuotaSample> samples;
    std::optional<Time> newestSample;
};

// One accepted file of a scan and its rows. `path` is the log's name as the
// readers report it; the rows belong to the reader's cache, and so does
// `codex`, where the Codex reader keeps its state for the file (none: it
// starts afresh).
struct ScannedFile {
    std::string path;
    const LogRows* rows = nullptr;
    CodexFileState* codex = nullptr;
};

} // namespace brimlow
