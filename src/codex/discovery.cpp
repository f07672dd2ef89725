#include "codex/discovery.h"

#include <algorithm>
#include <dirent.h>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace brimlow {

namespace {

std::string nvmNodeDirectory(const std::string& home) {
    return home + "/.nvm/versions/node";
}

} // namespace

std::optional<std::vector<std::string>> FileSystemProbe::entryNames(const std::string& dir) const {
    DIR* stream = opendir(dir.c_str());
    if (!stream)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(stream)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    closedir(stream);
    return names;
}

bool FileSystemProbe::isExecutableFile(const std::string& path) const {
    // A directory may carry execute permission too, but it cannot be run.
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> codexCandidates(const std::string& home,
                                         const std::optional<std::string>& pathValue,
                                         std::vector<std::string> nvmNames) {
    std::vector<std::string> candidates{
        "/Applications/Codex.app/Contents/Resources/codex",
        "/opt/homebrew/bin/codex",
        "/usr/local/bin/codex",
        home + "/.local/bin/codex",
    };

    std::string_view rest = pathValue ? std::string_view(*pathValue) : std::string_view();
    while (!rest.empty()) {
        auto colon = rest.find(':');
        std::string_view piece = rest.substr(0, colon);
        if (!piece.empty())
            candidates.push_back(std::string(piece) + "/codex");
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }

    // Plain byte order, not version order: v9.0.0 comes before v22.1.0.
    // std::string compares bytes as unsigned, which for UTF-8 is code point order.
    std::sort(nvmNames.begin(), nvmNames.end(), std::greater<>());
    for (const auto& name : nvmNames)
        candidates.push_back(nvmNodeDirectory(home) + "/" + name + "/bin/codex");
    return candidates;
}

std::optional<std::string> codexExecutable(const Environment& env, const ExecutableProbe& probe) {
    std::string home = homeDirectory(env);
    auto nvmNames = probe.entryNames(nvmNodeDirectory(home)).value_or(std::vector<std::string>{});
    for (auto& candidate : codexCandidates(home, env.get("PATH"), std::move(nvmNames))) {
        if (probe.isExecutableFile(candidate))
            return std::move(candidate);
    }
    return std::nullopt;
}

std::optional<std::string> codexExecutable(const Environment& env) {
    return codexExecutable(env, FileSystemProbe{});
}

} // namespace brimlow
