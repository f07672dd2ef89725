#include "app/report.h"

#include "base/version.h"
#include "records/pace.h"
#include "texts/texts.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace brimlow {

using nlohmann::json;

namespace {

// Whole seconds as integers; a fraction only where there is one.
json seconds(std::optional<Time> t) {
    if (!t)
        return nullptr;
    double value = toUnixSeconds(*t);
    if (value == std::trunc(value) && std::abs(value) < 9e15)
        return std::int64_t(value);
    return value;
}

json paceJson(const std::optional<Pace>& pace) {
    if (!pace)
        return nullptr;
    return {{"percentPerHour", pace->percentPerHour},
            {"projectedFullAt", seconds(pace->projectedFullAt)},
            {"runsOutBeforeReset", pace->runsOutBeforeReset}};
}

json providerJson(const char* name, const ProviderUsage& usage, Time now) {
    TokenTotals today = usage.totals(startOfLocalDay(now));
    json windows = json::array();
    for (const auto& quota : usage.quotas) {
        std::optional<Time> lastSample;
        for (const auto& sample : usage.samples) {
            if (sameWindow(sample.quota, quota) && (!lastSample || sample.at > *lastSample))
                lastSample = sample.at;
        }
        windows.push_back({{"minutes", quota.minutes},
                           {"label", windowLabel(quota.minutes)},
                           {"percent", std::isfinite(quota.percent) ? json(quota.percent) : json()},
                           {"resetsAt", seconds(quota.reset)},
                           {"lastSampleAt", seconds(lastSample)},
                           {"pace", paceJson(windowPace(quota, usage.samples, now))}});
    }
    return {{"name", name},
            {"records", usage.recordCount()},
            {"today",
             {{"input", today.input},
              {"output", today.output},
              {"cache", today.cache},
              {"total", today.sum()}}},
            {"plan", usage.plan ? json(*usage.plan) : json()},
            {"status", sourceText(usage)},
            {"windows", windows}};
}

} // namespace

std::string figuresJson(const ReportFigures& figures, Time now) {
    json report = {
        {"version", kVersion},
        {"generatedAt", toUnixSecondsTruncated(now)},
        {"providers",
         {providerJson("Codex", figures.codex, now), providerJson("Claude", figures.claude, now)}}};
    return report.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string waybarJson(const ReportFigures& figures, Time now,
                       const std::function<std::string(Time)>& timeOfDay) {
    double highest = 0;
    bool runsOut = false;
    for (const ProviderUsage* usage : {&figures.codex, &figures.claude}) {
        for (const auto& quota : usage->quotas) {
            if ((quota.reset && *quota.reset < now) || !std::isfinite(quota.percent))
                continue;
            highest = std::max(highest, quota.percent);
            auto pace = windowPace(quota, usage->samples, now);
            runsOut = runsOut || (pace && pace->runsOutBeforeReset);
        }
    }
    std::vector<std::string> tooltip{meterTitle(figures.codex, figures.claude, now)};
    for (auto& line : paceWarningLines(figures.codex, figures.claude, now, timeOfDay))
        tooltip.push_back(std::move(line));
    tooltip.emplace_back(kTrayLegend);
    std::string joined;
    for (const auto& line : tooltip)
        joined += (joined.empty() ? "" : "\n") + line;

    const char* level = runsOut || highest >= 95 ? "critical"
                        : highest >= 80          ? "warning"
                                                 : "normal";
    json bar = {{"text", tooltip.front()},
                {"tooltip", joined},
                {"class", level},
                {"percentage", roundPercent(highest)}};
    return bar.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace brimlow
