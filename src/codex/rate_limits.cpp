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

CodexLimits parseCodexLimits(const nlohmann::json& snapshot) {
    CodexLimits limits;
    if (!snapshot.is_object())
        return limits;
    WindowKeys keys = windowKeys(KeyStyle::Camel);
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
            limits.quotas.push_back(*quota);
    }
    if (auto plan = snapshot.find("planType"); plan != snapshot.end() && plan->is_string())
        limits.plan = plan->get<std::string>();
    return limits;
}

} // namespace brimlow
