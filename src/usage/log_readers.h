// What the two readers make of a file's rows, and the two providers' records
// built from every file's state. Stateless: the reader keeps the states and
// builds the records again whenever a file changed.
#pragma once

#include "base/numbers.h"
#include "records/records.h"
#include "usage/log_rows.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace brimlow {

// A fixed-size stand-in for a message id in the de-duplication. Stable from
// build to build: the states that hold it are kept on disk.
std::uint64_t messageIdHash(std::string_view id);

// How the builders hand out entries: one by one, or summed (see
// addToSums()), where the sums turn to quarter hours from the time given.
using Summing = std::optional<Time>;

// Whether the picks keep their ids as text, which only entries handed out
// one by one show.
enum class IdText { Kept, HashOnly };

// Adds the first `count` usage rows (lines in file order) to a file's picks:
// a message id's heaviest line stays, the first met of equals.
void addClaudeRows(ClaudeFileState& state, const LogRows& rows, std::size_t count, IdText ids);

// Goes on counting through a file's token-count rows, in file order.
void addCodexRows(CodexFileState& state, std::span<const TokenCountRow> rows);

// One entry per token-count line with counters, holding what the session's
// cumulative counters grew by since the file's previous such line (for a
// file's first such line, what its own request used); the newest rate-limit
// snapshot of the "codex" limit.
ProviderUsage codexUsage(const std::vector<ScannedFile>& files, Summing summing);

// One entry per message id across all files: its heaviest line, the first
// met of equals.
ProviderUsage claudeUsage(const std::vector<ScannedFile>& files, Summing summing);

} // namespace brimlow
