// Codex rate-limit snapshots into Quota records. The app server answers in
// camel case, the session logs record the same objects in snake case.
#pragma once

#include "usage/records.h"

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <vector>

namespace brimlow {

enum class KeyStyle { Camel, Snake };

struct WindowKeys {
    const char* percent;
    const char* minutes;
    const char* reset;
};

WindowKeys windowKeys(KeyStyle style);

// One window's members as found, before the rules are applied. Each is
// absent when missing or of the wrong type (minutes: not an integral number).
struct RawWindow {
    std::optional<double> percent;
    std::optional<std::int64_t> minutes;
    std::optional<double> resetSeconds;
};

// A window needs its percent and its length; the reset time is optional.
// The percent is clamped to 0..100.
std::optional<Quota> quotaFromWindow(const RawWindow& window);

// "primary" then "secondary"; unusable windows are left out.
std::vector<Quota> parseQuotas(const nlohmann::json& snapshot, KeyStyle style);

} // namespace brimlow
