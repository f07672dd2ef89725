// Where the D-Bus buses are, decided without ever starting one. Asked for a
// session bus it cannot find, the D-Bus library may "autolaunch" a private
// bus of its own; nothing on such a bus shows notifications, and the stray
// daemon outlives us. So the program picks the address itself.
#pragma once

#include "base/environment.h"

#include <optional>
#include <string>

namespace brimlow {

inline constexpr const char* kStandardSystemBusSocket = "/run/dbus/system_bus_socket";

// DBUS_SESSION_BUS_ADDRESS when it names a bus; otherwise the user's bus
// socket $XDG_RUNTIME_DIR/bus when that exists. Absent: no session bus.
std::optional<std::string> sessionBusAddress(const Environment& env);

// DBUS_SYSTEM_BUS_ADDRESS when it names a bus; otherwise `standardSocket`
// when that exists. Absent: no system bus (containers, some sandboxes).
std::optional<std::string> systemBusAddress(const Environment& env,
                                            const std::string& standardSocket);

// Drops the "autolaunch:" alternatives from an address list; absent when
// nothing else is left.
std::optional<std::string> withoutAutolaunch(const std::string& addresses);

// "unix:path=" and the path, escaped as D-Bus addresses require.
std::string unixSocketAddress(const std::string& path);

} // namespace brimlow
