#include "base/environment.h"

#include <cstdlib>
#include <pwd.h>
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

std::string xdgBaseDirectory(const Environment& env, const char* variable, const char* fallback) {
    auto configured = env.get(variable);
    if (configured && configured->starts_with('/'))
        return *configured;
    return joinPath(homeDirectory(env), fallback);
}

std::string joinPath(const std::string& base, const std::string& component) {
    if (base.empty())
        return component;
    if (base.back() == '/')
        return base + component;
    return base + "/" + component;
}

} // namespace brimlow
