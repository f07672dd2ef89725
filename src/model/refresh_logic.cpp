#include "model/refresh_logic.h"

#include "claude/quota_snapshot.h"
#include "records/pace.h"

namespace brimlow {

LogRoots logRoots(const Environment& env, Overrides overrides) {
    std::string codexHome = joinPath(homeDirectory(env), ".codex");
    if (auto configured = env.get("CODEX_HOME"); configured && overrides == Overrides::Honoured)
        codexHome = *configured;
    return {joinPath(codexHome, "sessions"), claudeProjectRoots(env, overrides)};
}

void mergeCodexAnswer(ProviderUsage& codex, Result<CodexLimits> answer, Time now) {
    if (!answer.ok()) {
        codex.source = FiguresSource::CodexQueryFailed;
        codex.queryFailure = answer.releaseError();
        return;
    }
    CodexLimits& limits = answer.value();
    if (limits.quotas.empty()) {
        codex.source = FiguresSource::CodexLiveWithoutLimits;
        return;
    }
    codex.quotas = std::move(limits.quotas);
    codex.quotaDate = now;
    codex.plan = std::move(limits.plan);
    codex.source = FiguresSource::CodexLive;
}

LocalFigures readLocalFigures(LocalUsageReader& reader, const Environment& env, Time now) {
    LogRoots roots = logRoots(env);
    LocalFigures figures{reader.codex(roots.codexSessions), reader.claude(roots.claudeProjects)};
    applyClaudeQuota(figures.claude, env, now);
    return figures;
}

void addLiveSamples(ProviderUsage& codex, std::vector<QuotaSample>& live, Time now) {
    if (codex.source == FiguresSource::CodexLive)
        addSamples(live, codex.quotas, now);
    keepRecentSamples(live);
    codex.samples.insert(codex.samples.end(), live.begin(), live.end());
    keepRecentSamples(codex.samples);
}

Time periodStart(Period period, Time now) {
    Time today = startOfLocalDay(now);
    switch (period) {
    case Period::Today:
        return today;
    case Period::LastSevenDays:
        return addLocalDays(today, -6);
    case Period::AllRecords:
        break;
    }
    return distantPast();
}

} // namespace brimlow
