// What tests of child processes check afterwards: that no child (running or
// zombie) is left and that no descriptor stayed open.
#pragma once

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brimlow::test_support {

inline int openFdCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
        --count; // the listing's own descriptor
    }
    return count;
}

// "pid state" for every process whose parent is this one.
inline std::vector<std::string> childrenOfThisProcess() {
    std::vector<std::string> children;
    DIR* proc = opendir("/proc");
    if (!proc)
        return children;
    while (const dirent* entry = readdir(proc)) {
        std::string name = entry->d_name;
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // Plain read(): the process may vanish while we look, which a
        // stream would report by throwing.
        std::string text(512, '\0');
        int fd = open(("/proc/" + name + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ssize_t got = read(fd, text.data(), text.size());
        close(fd);
        text.resize(got > 0 ? std::size_t(got) : 0);
        // "pid (comm) state ppid ...", where comm may hold spaces and parentheses.
        auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(text.substr(close + 1));
        std::string state;
        long parent = 0;
        rest >> state >> parent;
        if (parent == long(getpid()))
            children.push_back(name + " " + state);
    }
    closedir(proc);
    return children;
}

// Children are reaped in the background, so allow them a moment.
inline std::vector<std::string>
childrenLeftAfter(std::chrono::milliseconds patience = std::chrono::milliseconds(5000)) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    auto children = childrenOfThisProcess();
    while (!children.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        children = childrenOfThisProcess();
    }
    return children;
}

} // namespace brimlow::test_support
