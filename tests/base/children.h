// What tests of child processes check afterwards: that no child (running or
// zombie) is left and that no descriptor stayed open.
#pragma once

#include "base/files.h"

#include <chrono>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brimlow::test_support {

inline int openFdCount() {
    namespace fs = std::filesystem;
    // Less the listing's own descriptor.
    return int(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator())) -
           1;
}

// "pid state" for every process whose parent is this one.
inline std::vector<std::string> childrenOfThisProcess() {
    std::vector<std::string> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // A process that has gone in the meantime fails the read (ESRCH).
        auto read = readWholeFile(entry.path() / "stat");
        if (!read.ok())
            continue;
        const std::string& text = read.value();
        // "pid (comm) state ppid ...", where comm may hold spaces and parentheses.
        std::istringstream rest(text.substr(text.rfind(')') + 1));
        std::string state;
        long parent = 0;
        if (rest >> state >> parent && parent == long(getpid()))
            children.push_back(pid + " " + state);
    }
    return children;
}

// Children are reaped in the background, so allow them a moment.
inline std::vector<std::string>
childrenLeftAfter(std::chrono::milliseconds patience = std::chrono::milliseconds(5000)) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        auto children = childrenOfThisProcess();
        if (children.empty() || std::chrono::steady_clock::now() >= deadline)
            return children;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace brimlow::test_support
