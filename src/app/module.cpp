#include "app/module.h"

#include <algorithm>
#include <dlfcn.h>
#include <unistd.h>

namespace brimlow {

std::vector<std::string> moduleDirectories(const std::string& executablePath,
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

Result<void*> loadModuleEntry(const std::vector<std::string>& directories,
                              const std::string& fileName, const char* symbol) {
    std::string searched;
    for (const auto& directory : directories) {
        std::string path = directory + "/" + fileName;
        searched += (searched.empty() ? "" : ", ") + path;
        if (access(path.c_str(), F_OK) != 0)
            continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return Error{ErrorKind::Unusable,
                         "Brimlow의 모듈을 열 수 없습니다: " + std::string(dlerror())};
        if (void* entry = dlsym(handle, symbol))
            return entry;
        return Error{ErrorKind::Unusable, "Brimlow의 모듈이 올바르지 않습니다: " + path};
    }
    return Error{ErrorKind::NotFound, "Brimlow의 모듈을 찾을 수 없습니다: " + searched};
}

} // namespace brimlow
