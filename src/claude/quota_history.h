// The history behind Claude's pace: beside the quota snapshot, one line per
// reading of a window, {"at","minutes","percent","resetsAt"}. The status-line
// mode appends to it when a window changed; the application reads it and
// keeps it to the last eight days.
#pragma once

#include "base/result.h"
#include "records/records.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace brimlow {

inline constexpr std::chrono::days kQuotaHistoryDays{8};

// The lines a redraw adds: for each window of `now` whose percent or reset
// differs from `before`'s (the previous snapshot, read at its quota date),
// that earlier reading (the last moment it was seen) and the new one at
// `at`. Empty when nothing changed.
std::string quotaHistoryLines(const ProviderUsage& before, const std::vector<Quota>& now, Time at);

// Appends `lines` in one write under the file's lock, so that redraws
// running at once never interleave and a trim never loses them.
Result<void> appendQuotaHistory(const std::string& path, std::string_view lines);

// The readings of the samples' horizon before `now` (and later ones: the
// clock may have been set back), oldest first; a line that is not a
// reading is skipped. Once the oldest line is a day past the eight days
// kept, the file is rewritten with only those, under its lock; a failure to
// rewrite changes nothing read.
std::vector<QuotaSample> readQuotaHistory(const std::string& path, Time now);

} // namespace brimlow
