// The process environment behind a seam, so tests can supply their own.
#pragma once

#include <optional>
#include <string>

namespace brimlow {

class Environment {
public:
    virtual ~Environment() = default;
    // Absent when the variable is not set; a set but empty variable is "".
    virtual std::optional<std::string> get(const std::string& name) const = 0;
};

// Reads the real environment afresh on every call.
class ProcessEnvironment final : public Environment {
public:
    std::optional<std::string> get(const std::string& name) const override;
};

// $HOME when set and not empty, else the password database's entry for the
// current user, else "/".
std::string homeDirectory(const Environment& env);

// A base directory of the XDG rules: the variable's value when it is an
// absolute path (a relative or empty one is to be ignored), else home +
// `fallback`. xdgBaseDirectory(env, "XDG_CONFIG_HOME", ".config").
std::string xdgBaseDirectory(const Environment& env, const char* variable, const char* fallback);

// Joins path components with exactly one "/" between them; an empty base
// gives the relative path alone.
std::string joinPath(const std::string& base, const std::string& component);

} // namespace brimlow
