// What tests of child processes check afterwards: that no child (running or
// zombie) is left and that no descriptor stayed open.
#pragma once

#include "base/files.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brimlow::test_support {

inline int openFdCount() {
    using std::filesystem::directory_iterator;
    // Less the listing's own descriptor.
    return int(std::distance(directory_iterator("/proc/self/fd"), directory_iterator())) - 1;
}

// "pid state" for every process whose parent is this one. Children are
// reaped in the background, so they are allowed a moment.
inline std::vector<std::string>
childrenLeftAfter(std::chrono::milliseconds patience = std::chrono::milliseconds(5000)) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        std::vector<std::string> children;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            // A process that has gone in the meantime fails the read (ESRCH).
            auto stat = readWholeFile(entry.path() / "stat");
            if (!stat.ok())
                continue;
            // "pid (comm) state ppid ...", where comm may hold spaces and parentheses.
            std::istringstream rest(stat.value().substr(stat.value().rfind(')') + 1));
            std::string state;
            long parent = 0;
            if (rest >> state >> parent && parent == long(getpid()))
                children.push_back(entry.path().filename().string() + " " + state);
        }
        if (children.empty() || std::chrono::steady_clock::now() >= deadline)
            return children;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace brimlow::test_support
