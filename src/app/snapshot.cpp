#include "app/snapshot.h"

#include "base/print_line.h"
#include "texts/texts.h"
#include "usage/local_usage_reader.h"

namespace brimlow {

void printSnapshot(std::FILE* out, LocalUsageReader& reader, const LogRoots& roots, Time todayStart,
                   const CodexQuotaFetch& fetchCodexQuota) {
    ProviderUsage codex = reader.codex(roots.codexSessions);
    ProviderUsage claude = reader.claude(roots.claudeProjects);
    for (const auto& [name, usage] : {std::pair{"Codex", &codex}, std::pair{"Claude", &claude}})
        printLine(
            out, snapshotRecordsLine(name, usage->entries.size(), usage->totals(todayStart).sum()));

    auto answer = fetchCodexQuota();
    if (!answer.ok()) {
        printLine(out, codexQueryErrorText(answer.error()));
        return;
    }
    for (const auto& quota : answer.value().quotas)
        printLine(out, snapshotWindowLine(quota));
}

} // namespace brimlow
