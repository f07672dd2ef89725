// Which mode a command line selects: the first of the flags present, tested
// in a fixed order; without any of them the tray application starts.
#pragma once

#include "base/environment.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brimlow {

enum class Mode {
    ClaudeStatusline,
    ConnectClaude,
    DisconnectClaude,
    TestNotify,
    Snapshot,
    Json,
    Waybar,
    Application,
};

// `args` is the whole argument vector, program path included. A flag counts
// only as a whole argument ("--snapshot=1" selects nothing).
Mode selectMode(std::span<const std::string_view> args);

// The tray application needs a display: DISPLAY or WAYLAND_DISPLAY set and
// not empty. Without one, Qt would abort with a message of its own.
bool hasGraphicalSession(const Environment& env);

// The Qt platform the tray application asks for, when it should not be Qt's
// own choice: in a GNOME Wayland session with Xwayland, "xcb". GNOME lets no
// Wayland client place a window, so only through Xwayland can the panel
// open at the icon. A QT_QPA_PLATFORM the user set always wins.
std::optional<std::string> preferredQtPlatform(const Environment& env);

} // namespace brimlow
