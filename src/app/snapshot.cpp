#include "app/snapshot.h"

#include "base/environment.h"
#include "base/numbers.h"
#include "base/print_line.h"
#include "codex/rate_limits.h"
#include "usage/local_usage_reader.h"

namespace brimlow {

std::string formatPercent(double percent) {
    return shortestDecimal(percent);
}

void printSnapshot(std::FILE* out, LocalUsageReader& reader, const LogRoots& roots, Time todayStart,
                   const CodexQuotaFetch& fetchCodexQuota) {
    ProviderUsage codex = reader.codex(roots.codexSessions);
    ProviderUsage claude = reader.claude(roots.claudeProjects);
    for (const auto& [name, usage] : {std::pair{"Codex", &codex}, std::pair{"Claude", &claude}}) {
        printLine(out, std::string(name) + ": " + std::to_string(usage->entries.size()) +
                           " usage records; today " +
                           std::to_string(usage->totals(todayStart).sum()) + " tokens");
    }

    auto answer = fetchCodexQuota();
    if (!answer.ok()) {
        printLine(out, answer.error().message());
        return;
    }
    for (const auto& quota : parseCodexLimits(answer.value()).quotas)
        printLine(out, "Codex " + quota.label() + ": " + formatPercent(quota.percent) + "% used");
}

} // namespace brimlow
