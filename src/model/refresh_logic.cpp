#include "model/refresh_logic.h"

#include "codex/rate_limits.h"

namespace brimlow {

LogRoots logRoots(const Environment& env, Overrides overrides) {
    std::string codexHome = joinPath(homeDirectory(env), ".codex");
    if (auto configured = env.get("CODEX_HOME"); configured && overrides == Overrides::Honoured)
        codexHome = *configured;
    return {joinPath(codexHome, "sessions"), claudeProjectRoots(env, overrides)};
}

void mergeCodexAnswer(ProviderUsage& codex, const Result<nlohmann::json>& answer, Time now) {
    if (!answer.ok()) {
        codex.status = answer.error().message() + " · 로컬 스냅샷";
        return;
    }
    auto limits = parseCodexLimits(answer.value());
    if (limits.quotas.empty()) {
        codex.status = "계정 한도 데이터 없음 · 로컬 토큰 표시";
        return;
    }
    codex.quotas = std::move(limits.quotas);
    codex.quotaDate = now;
    codex.plan = std::move(limits.plan);
    codex.status = "계정 한도 · 실시간 조회";
}

Time periodStart(int period, Time now) {
    Time today = startOfLocalDay(now);
    if (period == 0)
        return today;
    if (period == 1)
        return addLocalDays(today, -6);
    return distantPast();
}

std::optional<Quota> currentWindow(const std::vector<Quota>& quotas, Time now) {
    for (const auto& quota : quotas) {
        if (!quota.reset || *quota.reset >= now)
            return quota;
    }
    return std::nullopt;
}

std::string meterTitle(const ProviderUsage& codex, const ProviderUsage& claude, Time now) {
    auto percentText = [](const Quota& q) { return std::to_string(roundPercent(q.percent)) + "%"; };
    auto codexWindow = currentWindow(codex.quotas, now);
    auto claudeWindow = currentWindow(claude.quotas, now);
    std::string codexPiece = codexWindow ? percentText(*codexWindow) : "—";
    std::string claudePiece = claudeWindow ? percentText(*claudeWindow)
                                           : compact(claude.totals(startOfLocalDay(now)).sum());
    return "C " + codexPiece + "  A " + claudePiece;
}

} // namespace brimlow
