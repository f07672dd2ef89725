// The two providers' records, built from the rows of one scan. Stateless:
// the reader runs them afresh over its cached rows on every refresh.
#pragma once

#include "usage/log_rows.h"
#include "usage/records.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace brimlow {

inline constexpr const char* kCodexStatusWithRecords = "로컬 기록 · 한도 스냅샷";
inline constexpr const char* kClaudeStatusWithRecords = "Claude Code 로컬 기록";
inline constexpr const char* kStatusWithoutRecords = "로컬 기록 없음";

// One entry per token-count line with counters, holding what the session's
// cumulative counters grew by since the file's previous such line; the
// newest rate-limit snapshot of the "codex" limit.
ProviderUsage codexUsage(const std::vector<ScannedFile>& files);

// One entry per message id: its heaviest line, the first met of equals.
ProviderUsage claudeUsage(const std::vector<ScannedFile>& files);

// Log counts are outside data: sums stop at the ends of the range instead of
// overflowing.
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
}

inline std::int64_t saturatingSub(std::int64_t a, std::int64_t b) {
    std::int64_t difference;
    if (!__builtin_sub_overflow(a, b, &difference))
        return difference;
    return b < 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
}

} // namespace brimlow
