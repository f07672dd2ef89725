#include "app/snapshot.h"

#include "app/report.h"
#include "base/print_line.h"
#include "texts/texts.h"
#include "usage/local_usage_reader.h"

namespace brimlow {

void printSnapshot(std::FILE* out, LocalUsageReader& reader, const LogRoots& roots, Time todayStart,
                   const CodexQuotaFetch& fetchCodexQuota) {
    ProviderUsage codex = reader.codex(roots.codexSessions);
    ProviderUsage claude = reader.claude(roots.claudeProjects);
    for (const auto& [name, usage] : {std::pair{"Codex", &codex}, std::pair{"Claude", &claude}})
        printLine(out, snapshotRecordsLine(name, std::size_t(usage->recordCount()),
                                           usage->totals(todayStart).sum()));

    auto answer = fetchCodexQuota();
    if (!answer.ok()) {
        printLine(out, codexQueryErrorText(answer.error()));
        return;
    }
    for (const auto& quota : answer.value().quotas)
        printLine(out, snapshotWindowLine(quota));
}

void printReports(std::FILE* out, ReportFormat format, LocalUsageReader& reader,
                  const ReportSources& sources, const std::function<bool()>& waitForNext) {
    std::vector<QuotaSample> liveSamples;
    std::string last;
    do {
        Time now = sources.clock.now();
        auto [codex, claude] = readLocalFigures(reader, sources.env, now);
        ReportFigures figures{std::move(codex), std::move(claude)};
        mergeCodexAnswer(figures.codex, sources.fetchCodexQuota(), now);
        addLiveSamples(figures.codex, liveSamples, now);
        std::string line = format == ReportFormat::Json ? figuresJson(figures, now)
                                                        : waybarJson(figures, now, plainTimeOfDay);
        if (line != last)
            printLine(out, line);
        last = std::move(line);
        (void)reader.saveTo(scanCachePath(sources.env));
    } while (waitForNext && waitForNext());
}

} // namespace brimlow
