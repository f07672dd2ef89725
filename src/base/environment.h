// The process environment behind a seam, so tests can supply their own.
#pragma once

#include <optional>
#include <string>
#include <vector>

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

// The XDG base-directory rules. Each variable counts only when it holds an
// absolute path; a relative or empty value is ignored as if unset.

// The variable's value, else home + `fallback`:
// xdgBaseDirectory(env, "XDG_CONFIG_HOME", ".config").
std::string xdgBaseDirectory(const Environment& env, const char* variable, const char* fallback);

// $XDG_RUNTIME_DIR, or nothing: the runtime directory has no fallback.
std::optional<std::string> xdgRuntimeDirectory(const Environment& env);

// The entries of $XDG_CONFIG_DIRS in order, relative ones left out;
// "/etc/xdg" when the variable is unset or empty.
std::vector<std::string> xdgConfigDirectories(const Environment& env);

// Joins path components with exactly one "/" between them; an empty base
// gives the relative path alone.
std::string joinPath(const std::string& base, const std::string& component);

} // namespace brimlow
