#include "claude/quota_snapshot.h"

#include "base/files.h"
#include "claude/paths.h"
#include "claude/quota_history.h"
#include "records/pace.h"
#include "records/windows.h"

#include <nlohmann/json.hpp>

namespace brimlow {

using nlohmann::json;

bool applyClaudeQuotaText(ProviderUsage& usage, std::string_view snapshotText) {
    json snapshot = json::parse(snapshotText, nullptr, /*allow_exceptions=*/false);
    if (!snapshot.is_object())
        return false;
    auto limits = snapshot.find("rate_limits");
    if (limits == snapshot.end() || !limits->is_object())
        return false;

    std::vector<Quota> quotas;
    for (auto [name, minutes] :
         {std::pair{"five_hour", kFiveHourWindow}, std::pair{"seven_day", kWeekWindow}}) {
        auto window = limits->find(name);
        if (window == limits->end() || !window->is_object())
            continue;
        RawWindow raw;
        raw.minutes = minutes;
        if (auto used = window->find("used_percentage"); used != window->end() && used->is_number())
            raw.percent = used->get<double>();
        if (auto reset = window->find("resets_at"); reset != window->end() && reset->is_number())
            raw.resetSeconds = reset->get<double>();
        if (auto quota = quotaFromWindow(raw))
            quotas.push_back(*quota);
    }

    usage.quotas = quotas;
    usage.quotaDate.reset();
    if (auto updated = snapshot.find("updatedAt");
        updated != snapshot.end() && updated->is_number())
        usage.quotaDate = fromUnixSeconds(updated->get<double>());
    if (!quotas.empty())
        usage.source = FiguresSource::ClaudeStatusLine;
    return true;
}

void applyClaudeQuota(ProviderUsage& usage, const Environment& env, Time now) {
    auto text = readWholeFile(quotaSnapshotPath(env));
    if (!text.ok() || !applyClaudeQuotaText(usage, text.value()))
        return;
    usage.samples = readQuotaHistory(quotaHistoryPath(env), now);
    // The snapshot is the newest reading of all.
    if (usage.quotaDate)
        addSamples(usage.samples, usage.quotas, *usage.quotaDate);
    keepRecentSamples(usage.samples);
}

} // namespace brimlow
