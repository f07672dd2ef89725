#include "codex/rate_limits.h"

#include "base/numbers.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace brimlow {

WindowKeys windowKeys(KeyStyle style) {
    if (style == KeyStyle::Snake)
        return {"used_percent", "window_minutes", "resets_at"};
    return {"usedPercent", "windowDurationMins", "resetsAt"};
}

std::optional<Quota> quotaFromWindow(const RawWindow& window) {
    if (!window.percent || !window.minutes)
        return std::nullopt;
    double percent = *window.percent;
    percent = std::isnan(percent) ? 0.0 : std::clamp(percent, 0.0, 100.0);
    std::optional<Time> reset;
    if (window.resetSeconds)
        reset = fromUnixSeconds(*window.resetSeconds);
    return Quota{percent, *window.minutes, reset};
}

namespace {

std::optional<double> number(const nlohmann::json& value) {
    if (!value.is_number())
        return std::nullopt;
    return value.get<double>();
}

std::optional<std::int64_t> integral(const nlohmann::json& value) {
    if (value.is_number_unsigned())
        return integralValue(value.get<std::uint64_t>());
    if (value.is_number_integer())
        return integralValue(value.get<std::int64_t>());
    if (value.is_number_float())
        return integralValue(value.get<double>());
    return std::nullopt;
}

} // namespace

std::vector<Quota> parseQuotas(const nlohmann::json& snapshot, KeyStyle style) {
    std::vector<Quota> quotas;
    if (!snapshot.is_object())
        return quotas;
    WindowKeys keys = windowKeys(style);
    for (const char* name : {"primary", "secondary"}) {
        auto it = snapshot.find(name);
        if (it == snapshot.end() || !it->is_object())
            continue;
        RawWindow raw;
        if (auto m = it->find(keys.percent); m != it->end())
            raw.percent = number(*m);
        if (auto m = it->find(keys.minutes); m != it->end())
            raw.minutes = integral(*m);
        if (auto m = it->find(keys.reset); m != it->end())
            raw.resetSeconds = number(*m);
        if (auto quota = quotaFromWindow(raw))
            quotas.push_back(*quota);
    }
    return quotas;
}

} // namespace brimlow
