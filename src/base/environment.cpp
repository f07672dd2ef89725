#include "base/environment.h"

#include <cstdlib>
#include <pwd.h>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace brimlow {

std::optional<std::string> ProcessEnvironment::get(const std::string& name) const {
    const char* value = std::getenv(name.c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::string homeDirectory(const Environment& env) {
    if (auto home = env.get("HOME"); home && !home->empty())
        return *home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    return "/";
}

namespace {

std::optional<std::string> absoluteValue(const Environment& env, const char* variable) {
    auto value = env.get(variable);
    if (value && value->starts_with('/'))
        return value;
    return std::nullopt;
}

} // namespace

std::string xdgBaseDirectory(const Environment& env, const char* variable, const char* fallback) {
    return absoluteValue(env, variable).value_or(joinPath(homeDirectory(env), fallback));
}

std::optional<std::string> xdgRuntimeDirectory(const Environment& env) {
    return absoluteValue(env, "XDG_RUNTIME_DIR");
}

std::vector<std::string> xdgConfigDirectories(const Environment& env) {
    std::string dirs = env.get("XDG_CONFIG_DIRS").value_or("");
    if (dirs.empty())
        dirs = "/etc/xdg";
    std::vector<std::string> result;
    std::istringstream pieces(dirs);
    for (std::string piece; std::getline(pieces, piece, ':');) {
        if (piece.starts_with('/'))
            result.push_back(piece);
    }
    return result;
}

std::string joinPath(const std::string& base, const std::string& component) {
    if (base.empty())
        return component;
    if (base.back() == '/')
        return base + component;
    return base + "/" + component;
}

} // namespace brimlow
