#include "codex/rate_limits.h"

#include "base/numbers.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace brimlow {

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
