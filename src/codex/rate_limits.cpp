#include "codex/rate_limits.h"

#include "base/json_number.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace brimlow {

namespace {

std::optional<double> number(const nlohmann::json& value) {
    if (!value.is_number())
        return std::nullopt;
    return value.get<double>();
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
            raw.minutes = integralNumber(*m);
        if (auto m = it->find(keys.reset); m != it->end())
            raw.resetSeconds = number(*m);
        if (auto quota = quotaFromWindow(raw))
            quotas.push_back(*quota);
    }
    return quotas;
}

} // namespace brimlow
