// Codex rate-limit snapshots (JSON) into Quota records.
#pragma once

#include "records/windows.h"

#include <nlohmann/json_fwd.hpp>
#include <vector>

namespace brimlow {

// "primary" then "secondary"; unusable windows are left out.
std::vector<Quota> parseQuotas(const nlohmann::json& snapshot, KeyStyle style);

} // namespace brimlow
