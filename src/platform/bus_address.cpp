#include "platform/bus_address.h"

#include <sys/stat.h>

namespace brimlow {

namespace {

bool isSocket(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

bool isOptionallyEscaped(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '_' || c == '/' || c == '.' || c == '\\' || c == '*';
}

} // namespace

std::optional<std::string> withoutAutolaunch(const std::string& addresses) {
    std::string kept;
    size_t start = 0;
    while (start <= addresses.size()) {
        size_t end = addresses.find(';', start);
        if (end == std::string::npos)
            end = addresses.size();
        std::string entry = addresses.substr(start, end - start);
        if (!entry.empty() && !entry.starts_with("autolaunch:"))
            kept += (kept.empty() ? "" : ";") + entry;
        start = end + 1;
    }
    if (kept.empty())
        return std::nullopt;
    return kept;
}

std::string unixSocketAddress(const std::string& path) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string address = "unix:path=";
    for (unsigned char c : path) {
        if (isOptionallyEscaped(c)) {
            address += char(c);
        } else {
            address += '%';
            address += kHex[c >> 4];
            address += kHex[c & 0xf];
        }
    }
    return address;
}

std::optional<std::string> sessionBusAddress(const Environment& env) {
    // An empty variable names no bus, so the runtime directory still counts.
    if (auto given = env.get("DBUS_SESSION_BUS_ADDRESS"); given && !given->empty())
        return withoutAutolaunch(*given);
    auto runtime = xdgRuntimeDirectory(env);
    if (!runtime)
        return std::nullopt;
    std::string socket = joinPath(*runtime, "bus");
    if (!isSocket(socket))
        return std::nullopt;
    return unixSocketAddress(socket);
}

std::optional<std::string> systemBusAddress(const Environment& env,
                                            const std::string& standardSocket) {
    if (auto given = env.get("DBUS_SYSTEM_BUS_ADDRESS"); given && !given->empty())
        return withoutAutolaunch(*given);
    if (!isSocket(standardSocket))
        return std::nullopt;
    return unixSocketAddress(standardSocket);
}

} // namespace brimlow
