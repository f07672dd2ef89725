// The "--snapshot" mode: a few plain English lines showing what the program
// can see, without the application's state or settings.
#pragma once

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

} // namespace brimlow
