#include "records/pace.h"
#include "usage/log_readers.h"

#include <algorithm>

namespace brimlow {

namespace {

// The counters only grow within a session; a value below the previous one
// means they started again, and the new value is all that was used since.
std::int64_t delta(std::int64_t current, std::int64_t previous) {
    return current >= previous ? saturatingSub(current, previous) : current;
}

// A file's first counted line: what its last request used, where the line
// tells it consistently. A fork's totals start at its parent's, and the
// parent's file already counted those; a session of its own starts at zero,
// so there both are the same.
std::int64_t firstUse(std::int64_t total, std::optional<std::int64_t> last) {
    return last && *last <= total ? *last : total;
}

std::string entryId(const std::string& path, Time date) {
    std::string id;
    id.reserve(path.size() + 32);
    id.append(path).append(":").append(formatUtcSeconds(date));
    return id;
}

// Every snapshot of the "codex" limit is a sample of its windows. Only the
// last few hours' count, and only so many, so the list is cut back whenever
// it holds twice that: the work stays linear and the memory small, whatever
// the logs hold.
void takeSample(const TokenCountRow& row, Time date, CodexFileState& state) {
    if (state.newestSample && date < *state.newestSample - kSampleHorizon)
        return;
    if (!state.newestSample || date > *state.newestSample)
        state.newestSample = date;
    for (std::uint8_t i = 0; i < row.quotaCount; ++i)
        state.samples.push_back({date, row.quotas[i]});
    if (state.samples.size() >= 2 * kMaxSamples)
        keepRecentSamples(state.samples);
}

// Only a newer snapshot of the "codex" limit with at least one usable window
// replaces the one held; a tie keeps the first met.
void takeSnapshot(const TokenCountRow& row, Time date, CodexFileState& state) {
    if (state.snapshotDate && date <= *state.snapshotDate)
        return;
    state.snapshot = row.quotaList();
    state.snapshotDate = date;
    state.plan = row.plan;
}

// Goes on through the file's rows from where the state stopped.
void advance(const ScannedFile& file, CodexFileState& state) {
    const auto& rows = file.rows->tokenCounts;
    for (; state.rowsUsed < rows.size(); ++state.rowsUsed) {
        const TokenCountRow& row = rows[state.rowsUsed];
        if (!row.timestamp)
            continue;
        Time date = *row.timestamp;
        if (row.hasRateLimits && row.codexLimit && row.quotaCount > 0) {
            takeSnapshot(row, date, state);
            takeSample(row, date, state);
        }
        if (!row.hasCounters)
            continue;
        std::int64_t input = state.counted ? delta(row.input, state.previousInput)
                                           : firstUse(row.input, row.lastInput);
        std::int64_t output = state.counted ? delta(row.output, state.previousOutput)
                                            : firstUse(row.output, row.lastOutput);
        state.counted = true;
        state.entries.push_back({entryId(file.path, date), date, input, output, 0});
        state.previousInput = row.input;
        state.previousOutput = row.output;
    }
}

} // namespace

ProviderUsage codexUsage(const std::vector<ScannedFile>& files) {
    ProviderUsage usage;
    std::size_t count = 0;
    for (const auto& file : files)
        count += file.rows->tokenCounts.size();
    usage.entries.reserve(count);

    for (const auto& file : files) {
        // Each session file counts on its own, so its state can carry on
        // where the file only grew.
        CodexFileState fresh;
        CodexFileState& state = file.codex ? *file.codex : fresh;
        advance(file, state);
        usage.entries.insert(usage.entries.end(), state.entries.begin(), state.entries.end());
        if (state.snapshotDate && (!usage.quotaDate || *state.snapshotDate > *usage.quotaDate)) {
            usage.quotas = state.snapshot;
            usage.quotaDate = state.snapshotDate;
            usage.plan = state.plan;
        }
        usage.samples.insert(usage.samples.end(), state.samples.begin(), state.samples.end());
    }
    keepRecentSamples(usage.samples);
    usage.source = usage.entries.empty() ? FiguresSource::NoLocalRecords : FiguresSource::CodexLogs;
    return usage;
}

} // namespace brimlow
