// Finding the Codex command-line executable. The tool is installed in many
// ways (desktop app bundle, Homebrew, npm globally or under nvm), so a fixed
// list of places is tried before the search path and nvm's node versions.
#pragma once

#include "base/environment.h"

#include <optional>
#include <string>
#include <vector>

namespace brimlow {

// The two file-system questions the search asks, behind a seam so tests do
// not depend on what is installed on the machine.
class ExecutableProbe {
public:
    virtual ~ExecutableProbe() = default;
    // Entry names of a directory (hidden ones included, no "." or ".."), in
    // no particular order; absent when it cannot be listed.
    virtual std::optional<std::vector<std::string>> entryNames(const std::string& dir) const = 0;
    // An existing regular file (after symlinks) that the user may execute.
    virtual bool isExecutableFile(const std::string& path) const = 0;
};

class FileSystemProbe final : public ExecutableProbe {
public:
    std::optional<std::vector<std::string>> entryNames(const std::string& dir) const override;
    bool isExecutableFile(const std::string& path) const override;
};

// Every place to look, in the order to try them: the fixed install places,
// then each non-empty PATH piece + "/codex" (pieces taken as written), then
// each nvm node version's bin directory, names in descending byte order.
// Duplicates stay; the first hit wins anyway.
std::vector<std::string> codexCandidates(const std::string& home,
                                         const std::optional<std::string>& pathValue,
                                         std::vector<std::string> nvmNames);

// The first candidate that is an executable file, as written (not resolved).
std::optional<std::string> codexExecutable(const Environment& env, const ExecutableProbe& probe);
std::optional<std::string> codexExecutable(const Environment& env);

} // namespace brimlow
