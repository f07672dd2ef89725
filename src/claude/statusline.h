// The "--claude-statusline" mode: Claude Code runs it on every status-line
// redraw with its status JSON on standard input. It records the rate limits
// in the quota snapshot and still draws the user's own status line.
#pragma once

#include "base/environment.h"
#include "base/time.h"

#include <string>

namespace brimlow {

// Reads standard input to its end; `defaultLine`, or the previous command's
// output, goes to standard output. Never fails and reports nothing:
// whatever happens, Claude Code still gets a status line.
void runClaudeStatusline(const Environment& env, Time now, std::string_view defaultLine);

// The snapshot file's content for a status JSON, or nothing when the input
// has no object "rate_limits" or nests too deep to be taken (then the
// previous snapshot stays).
std::optional<std::string> quotaSnapshotFor(std::string_view statusJson, Time now);

} // namespace brimlow
