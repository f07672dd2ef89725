// The "--snapshot" mode: a few plain English lines showing what the program
// can see, without the application's state or settings.
#pragma once

#include "base/result.h"
#include "base/time.h"
#include "model/refresh_logic.h"

#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace brimlow {

class LocalUsageReader;

using CodexQuotaFetch = std::function<Result<nlohmann::json>()>;

// Reads the logs under `roots`, prints one line per provider, then Codex's
// live windows or the query's error text. Lines are flushed before the
// query so they show at once while it runs.
void printSnapshot(std::FILE* out, LocalUsageReader& reader, const LogRoots& roots, Time todayStart,
                   const CodexQuotaFetch& fetchCodexQuota);

// Shortest text that reads back as the same double, with at least one digit
// after the point: 12 gives "12.0", 7.5 gives "7.5".
std::string formatPercent(double percent);

} // namespace brimlow
