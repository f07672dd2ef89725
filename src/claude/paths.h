// Where Claude Code keeps its settings and where Brimlow keeps its own files.
#pragma once

#include "base/environment.h"

#include <string>
#include <vector>

namespace brimlow {

// $CLAUDE_CONFIG_DIR exactly as set (even empty; no "~" expansion; relative
// to the current directory when relative), else home + "/.claude".
std::string claudeConfigDirectory(const Environment& env);
std::string claudeSettingsPath(const Environment& env);

// Whether the environment may move a tool's files away from their defaults.
enum class Overrides { Honoured, Ignored };

// Where Claude Code's project logs are: $CLAUDE_CONFIG_DIR + "/projects" when
// it is set and honoured; otherwise under both of the configuration
// directories its releases use by default, ~/.claude and
// $XDG_CONFIG_HOME/claude (default ~/.config/claude), in that order.
std::vector<std::string> claudeProjectRoots(const Environment& env, Overrides overrides);

// Brimlow's data directory: $XDG_DATA_HOME/Brimlow, or ~/.local/share/Brimlow
// when XDG_DATA_HOME is unset, empty or relative (the base-directory rules
// say to ignore a relative value). Not created here.
std::string supportDirectory(const Environment& env);
std::string statuslineBackupPath(const Environment& env);
std::string quotaSnapshotPath(const Environment& env);
std::string quotaHistoryPath(const Environment& env);

} // namespace brimlow
