// The modes of the snapshot helper: "--snapshot", a few plain English lines
// showing what the program can see, without the application's state or
// settings; "--json" and "--waybar", the figures for scripts and bars.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "base/time.h"
#include "codex/rate_limits.h"
#include "model/refresh_logic.h"

#include <cstdio>
#include <functional>

namespace brimlow {

class LocalUsageReader;

using CodexQuotaFetch = std::function<Result<CodexLimits>()>;

// Reads the logs under `roots`, prints one line per provider, then Codex's
// live windows or the query's error text. Lines are flushed before the
// query so they show at once while it runs.
void printSnapshot(std::FILE* out, LocalUsageReader& reader, const LogRoots& roots, Time todayStart,
                   const CodexQuotaFetch& fetchCodexQuota);

enum class ReportFormat { Json, Waybar };

// What a report reads from, as the application's refresh does: the logs
// where the environment says (CODEX_HOME and CLAUDE_CONFIG_DIR honoured),
// Claude's status-line snapshot and Codex's live answer.
struct ReportSources {
    const Environment& env;
    const Clock& clock;
    CodexQuotaFetch fetchCodexQuota;
};

// Prints the report once; with `waitForNext`, again after each wait that
// returns true, whenever the line differs from the last one printed.
void printReports(std::FILE* out, ReportFormat format, LocalUsageReader& reader,
                  const ReportSources& sources, const std::function<bool()>& waitForNext = {});

} // namespace brimlow
