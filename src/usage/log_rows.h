// What one JSONL log file contributes to the readers: its lines reduced to
// the few members the Codex and Claude readers use (rows), and what each
// reader makes of a file's rows (its state).
//
// The reader caches the states, not the rows or the JSON, for every log file
// it has seen, and builds both records from them. A log is mostly message
// text and tool output that no reader looks at, and most of its lines repeat
// a message or a counter: keeping each message's heaviest line and each
// request's use holds the cache to well under a percent of the logs' size.
#pragma once

#include "base/numbers.h"
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

// One message id's heaviest line in one file, the first met of equals: what
// the Claude reader keeps of a file. The id is kept as a hash for the
// de-duplication across files, and as text only where entries are handed
// out one by one.
struct ClaudePick {
    std::uint64_t idHash = 0;
    Time date;
    std::int64_t input = 0;
    std::int64_t output = 0;
    std::int64_t cache = 0; // cache read plus cache creation

    std::int64_t weight() const { return saturatingAdd(saturatingAdd(input, output), cache); }
    bool operator==(const ClaudePick&) const = default;
};

struct ClaudeFileState {
    std::vector<ClaudePick> picks; // in the order their ids were first met
    // Where ids are kept as text: one after the other, and where each pick's
    // ends; otherwise both empty.
    std::string ids;
    std::vector<std::uint32_t> idEnds;

    std::string_view id(std::size_t pick) const {
        if (pick >= idEnds.size())
            return {};
        std::size_t begin = pick == 0 ? 0 : idEnds[pick - 1];
        return std::string_view(ids).substr(begin, idEnds[pick] - begin);
    }
    bool operator==(const ClaudeFileState&) const = default;
};

// One token count with counters: what the session's counters grew by.
struct CodexUse {
    Time date;
    std::int64_t input = 0;
    std::int64_t output = 0;

    bool operator==(const CodexUse&) const = default;
};

// What the Codex reader made of one file so far, so that it can go on from
// there when the file grows: its counting state, its requests, its newest
// snapshot and its recent samples.
struct CodexFileState {
    bool counted = false; // a row with counters was met: the next is a delta
    std::int64_t previousInput = 0;
    std::int64_t previousOutput = 0;
    std::vector<CodexUse> uses;
    std::vector<Quota> snapshot;
    std::optional<Time> snapshotDate;
    std::optional<std::string> plan;
    std::vector<QuotaSample> samples;
    std::optional<Time> newestSample;

    bool operator==(const CodexFileState&) const = default;
};

// What the readers keep of one file: both reductions of its finished lines,
// and the rows of a last line without its line feed, which the next reading
// of a grown file reads again and which count until then.
struct FileState {
    ClaudeFileState claude;
    CodexFileState codex;
    LogRows unfinished;

    bool operator==(const FileState&) const = default;
};

// One accepted file of a scan. `path` is the log's name as the readers
// report it; the state belongs to the reader's cache.
struct ScannedFile {
    std::string path;
    const FileState* state = nullptr;
};

} // namespace brimlow
