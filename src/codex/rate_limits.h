// The Codex app server's rate-limit snapshot (JSON), read once for every
// mode that shows it.
#pragma once

#include "records/windows.h"

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace brimlow {

struct CodexLimits {
    // "primary" then "secondary"; unusable windows are left out.
    std::vector<Quota> quotas;
    // "planType" when it is a string.
    std::optional<std::string> plan;
};

CodexLimits parseCodexLimits(const nlohmann::json& snapshot);

} // namespace brimlow
