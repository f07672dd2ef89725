#include "app/modes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brimlow {

namespace {

// The first five as they always were; flags added later come after them, so
// a command line with one of those still selects what it did.
constexpr std::array<std::pair<Mode, std::string_view>, 7> flags{{
    {Mode::ClaudeStatusline, "--claude-statusline"},
    {Mode::ConnectClaude, "--connect-claude"},
    {Mode::DisconnectClaude, "--disconnect-claude"},
    {Mode::TestNotify, "--test-notify"},
    {Mode::Snapshot, "--snapshot"},
    {Mode::Json, "--json"},
    {Mode::Waybar, "--waybar"},
}};

} // namespace

Mode selectMode(std::span<const std::string_view> args) {
    for (const auto& [mode, flag] : flags) {
        if (std::find(args.begin(), args.end(), flag) != args.end())
            return mode;
    }
    return Mode::Application;
}

std::optional<std::string> preferredQtPlatform(const Environment& env) {
    auto isSet = [&](const char* name) { return !env.get(name).value_or("").empty(); };
    // Built up in steps: GCC 12 at -O3 warns falsely (-Wrestrict) on "…" + string.
    std::string desktops = ":";
    desktops += env.get("XDG_CURRENT_DESKTOP").value_or("");
    desktops += ':';
    if (!isSet("QT_QPA_PLATFORM") && isSet("WAYLAND_DISPLAY") && isSet("DISPLAY") &&
        desktops.find(":GNOME:") != std::string::npos)
        return "xcb";
    return std::nullopt;
}

bool hasGraphicalSession(const Environment& env) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        auto value = env.get(name);
        if (value && !value->empty())
            return true;
    }
    return false;
}

} // namespace brimlow
