// The two providers' records, built from the rows of one scan. Stateless:
// the reader runs them afresh over its cached rows on every refresh.
#pragma once

#include "base/numbers.h"
#include "records/records.h"
#include "usage/log_rows.h"

#include <vector>

namespace brimlow {

// One entry per token-count line with counters, holding what the session's
// cumulative counters grew by since the file's previous such line (for a
// file's first such line, what its own request used); the newest rate-limit
// snapshot of the "codex" limit.
ProviderUsage codexUsage(const std::vector<ScannedFile>& files);

// One entry per message id: its heaviest line, the first met of equals.
ProviderUsage claudeUsage(const std::vector<ScannedFile>& files);

} // namespace brimlow
