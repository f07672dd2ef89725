// Where Claude Code keeps its settings and where Brimlow keeps its own files.
#pragma once

#include "base/environment.h"

#include <string>

namespace brimlow {

// $CLAUDE_CONFIG_DIR exactly as set (even empty; no "~" expansion; relative
// to the current directory when relative), else home + "/.claude".
std::string claudeConfigDirectory(const Environment& env);
std::string claudeSettingsPath(const Environment& env);

// Brimlow's data directory: $XDG_DATA_HOME/Brimlow, or ~/.local/share/Brimlow
// when XDG_DATA_HOME is unset, empty or relative (the base-directory rules
// say to ignore a relative value). Not created here.
std::string supportDirectory(const Environment& env);
std::string statuslineBackupPath(const Environment& env);
std::string quotaSnapshotPath(const Environment& env);

} // namespace brimlow
