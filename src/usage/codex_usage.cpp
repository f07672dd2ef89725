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

} // namespace

void addCodexRows(CodexFileState& state, std::span<const TokenCountRow> rows) {
    for (const TokenCountRow& row : rows) {
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
        state.uses.push_back({date, input, output});
        state.previousInput = row.input;
        state.previousOutput = row.output;
    }
}

ProviderUsage codexUsage(const std::vector<ScannedFile>& files, Summing summing) {
    ProviderUsage usage;
    bool any = false;
    auto takeUses = [&](const std::string& path, const std::vector<CodexUse>& uses) {
        any = any || !uses.empty();
        for (const CodexUse& use : uses) {
            if (summing)
                addToSums(usage.sums, use.date, {use.input, use.output, 0}, *summing);
            else
                usage.entries.push_back(
                    {entryId(path, use.date), use.date, use.input, use.output, 0});
        }
    };
    for (const auto& file : files) {
        // Each session file counts on its own. A last line still being
        // written counts after the finished ones, on a copy of the state.
        const CodexFileState& state = file.state->codex;
        std::optional<CodexFileState> last;
        if (const auto& rows = file.state->unfinished.tokenCounts; !rows.empty()) {
            last = CodexFileState{
                state.counted,     state.previousInput, state.previousOutput, {},
                state.snapshot,    state.snapshotDate,  state.plan,           state.samples,
                state.newestSample};
            addCodexRows(*last, rows);
        }
        takeUses(file.path, state.uses);
        if (last)
            takeUses(file.path, last->uses);
        const CodexFileState& newest = last ? *last : state;
        if (newest.snapshotDate && (!usage.quotaDate || *newest.snapshotDate > *usage.quotaDate)) {
            usage.quotas = newest.snapshot;
            usage.quotaDate = newest.snapshotDate;
            usage.plan = newest.plan;
        }
        usage.samples.insert(usage.samples.end(), newest.samples.begin(), newest.samples.end());
    }
    keepRecentSamples(usage.samples);
    usage.source = any ? FiguresSource::CodexLogs : FiguresSource::NoLocalRecords;
    return usage;
}

} // namespace brimlow
