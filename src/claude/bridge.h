// Brimlow as Claude Code's status-line command. Installing keeps the user's
// own status line in a backup; the status-line mode keeps running it and
// removal puts it back exactly.
#pragma once

#include "base/environment.h"
#include "base/result.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace brimlow {

inline constexpr const char* kBridgeMarker = "--claude-statusline";

// The command line Claude Code runs: the executable's absolute path in POSIX
// single quotes (a quote inside becomes '"'"'), then " --claude-statusline".
std::string bridgeCommandLine(const std::string& executablePath);

// True when `statusLine` is an object whose "command" string holds the marker.
bool isBridgeStatusLine(const nlohmann::json& statusLine);

// Reads the settings file; any problem reading or parsing it means "no".
bool claudeBridgeInstalled(const Environment& env);

// Claude Code may rewrite its settings while we change them. Our change is
// then computed again from the new content (three tries in all), so the
// other program's edit is never overwritten. `afterRead` runs after each
// read of the settings, before they are written; tests play that other
// program there.
using AfterSettingsRead = std::function<void()>;

// Saves the current status line to the backup, then points Claude Code's
// status line at `executablePath`. Does nothing when already installed.
Result<void> connectClaude(const Environment& env, const std::string& executablePath,
                           const AfterSettingsRead& afterRead = {});

// Restores the status line from the backup (or removes it when there was
// none). Does nothing when the bridge is not installed.
Result<void> disconnectClaude(const Environment& env, const AfterSettingsRead& afterRead = {});

// The running program's absolute path, for the bridge's command line.
Result<std::string> currentExecutablePath();

} // namespace brimlow
