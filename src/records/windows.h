// The rules that make a rate-limit window a Quota, shared by every reader of
// the tools' windows: the Codex app server's answers and session logs (the
// same objects, in camel and in snake case) and Claude Code's status line.
#pragma once

#include "records/records.h"

#include <cstdint>
#include <optional>

namespace brimlow {

// The member names of a Codex window: camel case from the app server,
// snake case in the session logs.
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

} // namespace brimlow
