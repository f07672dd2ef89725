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
class RecentSamples {
public:
    void take(const TokenCountRow& row, Time date) {
        if (!row.hasRateLimits || !row.codexLimit || row.quotaCount == 0)
            return;
        if (m_newest && date < *m_newest - kSampleHorizon)
            return;
        if (!m_newest || date > *m_newest)
            m_newest = date;
        for (std::uint8_t i = 0; i < row.quotaCount; ++i)
            m_samples.push_back({date, row.quotas[i]});
        if (m_samples.size() >= 2 * kMaxSamples)
            keepRecentSamples(m_samples);
    }
    std::vector<QuotaSample> release() {
        keepRecentSamples(m_samples);
        return std::move(m_samples);
    }

private:
    std::vector<QuotaSample> m_samples;
    std::optional<Time> m_newest;
};

// Only a newer snapshot of the "codex" limit with at least one usable window
// replaces the one held; a tie keeps the first met.
void takeSnapshot(const TokenCountRow& row, Time date, ProviderUsage& usage) {
    if (!row.hasRateLimits || !row.codexLimit || row.quotaCount == 0)
        return;
    if (usage.quotaDate && date <= *usage.quotaDate)
        return;
    usage.quotas = row.quotaList();
    usage.quotaDate = date;
    usage.plan = row.plan;
}

} // namespace

ProviderUsage codexUsage(const std::vector<ScannedFile>& files) {
    ProviderUsage usage;
    std::size_t lines = 0;
    for (const auto& file : files)
        lines += file.rows->tokenCounts.size();
    usage.entries.reserve(lines);
    RecentSamples samples;

    for (const auto& file : files) {
        // Each session file counts on its own.
        bool first = true;
        std::int64_t previousInput = 0;
        std::int64_t previousOutput = 0;
        for (const auto& row : file.rows->tokenCounts) {
            if (!row.timestamp)
                continue;
            Time date = *row.timestamp;
            takeSnapshot(row, date, usage);
            samples.take(row, date);
            if (!row.hasCounters)
                continue;
            std::int64_t input =
                first ? firstUse(row.input, row.lastInput) : delta(row.input, previousInput);
            std::int64_t output =
                first ? firstUse(row.output, row.lastOutput) : delta(row.output, previousOutput);
            first = false;
            usage.entries.push_back({entryId(file.path, date), date, input, output, 0});
            previousInput = row.input;
            previousOutput = row.output;
        }
    }
    usage.samples = samples.release();
    usage.source = usage.entries.empty() ? FiguresSource::NoLocalRecords : FiguresSource::CodexLogs;
    return usage;
}

} // namespace brimlow
