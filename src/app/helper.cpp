#include "app/helper.h"

#include <algorithm>
#include <unistd.h>

namespace brimlow {

std::vector<std::string> helperDirectories(const std::string& executablePath,
                                           const std::string& libDirName,
                                           const std::string& installedDirectory) {
    std::vector<std::string> directories;
    auto add = [&](std::string directory) {
        if (std::find(directories.begin(), directories.end(), directory) == directories.end())
            directories.push_back(std::move(directory));
    };
    if (auto slash = executablePath.rfind('/'); slash != std::string::npos) {
        std::string own = executablePath.substr(0, slash == 0 ? 1 : slash);
        add(own);
        std::string prefix = own + "/..";
        add(prefix + "/lib/brimlow");
        if (!libDirName.empty() && libDirName.front() != '/')
            add(prefix + "/" + libDirName + "/brimlow");
    }
    if (!installedDirectory.empty())
        add(installedDirectory);
    return directories;
}

Error execHelper(const std::vector<std::string>& directories, const std::string& name, char** argv,
                 const std::string& launcher) {
    std::vector<char*> arguments{const_cast<char*>(launcher.c_str())};
    // A program started with an empty argv has nothing to pass on.
    for (char** arg = *argv ? argv + 1 : argv; *arg; ++arg)
        arguments.push_back(*arg);
    arguments.push_back(nullptr);

    std::string searched;
    for (const auto& directory : directories) {
        std::string path = directory + "/" + name;
        searched += (searched.empty() ? "" : ", ") + path;
        if (access(path.c_str(), F_OK) != 0)
            continue;
        execv(path.c_str(), arguments.data());
        return Error::fromErrno(errno, path);
    }
    return Error{ErrorKind::NotFound, searched};
}

std::string launcherPath(int argc, char** argv) {
    if (argc > 0 && argv[0][0] == '/')
        return argv[0];
    return "brimlow";
}

} // namespace brimlow
