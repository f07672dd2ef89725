// The meter's rules that need no event loop: where a refresh cycle reads,
// how the live Codex answer is merged and where a period starts.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "claude/paths.h"
#include "codex/rate_limits.h"
#include "records/records.h"
#include "usage/local_usage_reader.h"

#include <chrono>
#include <string>
#include <vector>

namespace brimlow {

// How often the figures are read again.
inline constexpr std::chrono::seconds kRefreshInterval{60};

struct LogRoots {
    std::string codexSessions;               // $CODEX_HOME (even empty) or ~/.codex, + "sessions"
    std::vector<std::string> claudeProjects; // see claudeProjectRoots()
};

// Read afresh on every cycle, so a changed environment takes effect. The
// snapshot mode ignores CODEX_HOME and CLAUDE_CONFIG_DIR.
LogRoots logRoots(const Environment& env, Overrides overrides = Overrides::Honoured);

// A refresh's local step: both tools' logs where the environment says them
// to be, and Claude's windows (with their history) from the status line.
struct LocalFigures {
    ProviderUsage codex;
    ProviderUsage claude;
};
LocalFigures readLocalFigures(LocalUsageReader& reader, const Environment& env, Time now);

// Folds the outcome of the live Codex query into the locally read record:
// a failure keeps the local windows and says so, an answer with windows
// replaces them (and the plan), an answer without windows keeps them.
void mergeCodexAnswer(ProviderUsage& codex, Result<CodexLimits> answer, Time now);

// Codex's live answers are samples the logs don't hold: `live` keeps them
// from refresh to refresh, and the record gets them beside its logs' own.
void addLiveSamples(ProviderUsage& codex, std::vector<QuotaSample>& live, Time now);

// The spans of time the token totals can cover.
enum class Period { Today, LastSevenDays, AllRecords };

// Where the period starts: local midnight today or six days before (seven
// calendar days with today), or before every record. Correct across
// daylight saving.
Time periodStart(Period period, Time now);

} // namespace brimlow
