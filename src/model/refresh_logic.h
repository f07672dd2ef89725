// The meter's rules that need no event loop: where a refresh cycle reads,
// how the live Codex answer is merged, the period's start and the title.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "claude/paths.h"
#include "records/records.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace brimlow {

struct LogRoots {
    std::string codexSessions;               // $CODEX_HOME (even empty) or ~/.codex, + "sessions"
    std::vector<std::string> claudeProjects; // see claudeProjectRoots()
};

// Read afresh on every cycle, so a changed environment takes effect. The
// snapshot mode ignores CODEX_HOME and CLAUDE_CONFIG_DIR.
LogRoots logRoots(const Environment& env, Overrides overrides = Overrides::Honoured);

// Folds the outcome of the live Codex query into the locally read record:
// a failure keeps the local windows and says so, an answer with windows
// replaces them (and the plan), an answer without windows keeps them.
void mergeCodexAnswer(ProviderUsage& codex, const Result<nlohmann::json>& answer, Time now);

// The start of the chosen period: 0 today, 1 the last 7 calendar days, any
// other value every record. Local midnight, correct across daylight saving.
Time periodStart(int period, Time now);

// The first window whose reset is absent or not yet passed, in list order.
std::optional<Quota> currentWindow(const std::vector<Quota>& quotas, Time now);

// "C 42%  A 18%": Codex's current window, then Claude's current window or,
// without one, today's Claude tokens in compact form.
std::string meterTitle(const ProviderUsage& codex, const ProviderUsage& claude, Time now);

} // namespace brimlow
