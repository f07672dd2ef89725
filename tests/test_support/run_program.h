// Runs a program as a child process the way a shell or Claude Code would:
// the given bytes on standard input, both output streams captured, a chosen
// environment. Input and errors have threads of their own, so no pipe can
// fill up and stall the child.
#pragma once

#include "base/fd_io.h"
#include "base/process.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace brimlow {

struct ProgramRun {
    int exitStatus = -1; // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

struct ProgramSpec {
    std::vector<std::string> argv;
    // Environment entries to set; variables listed in `unset` are removed.
    std::map<std::string, std::string> env;
    std::vector<std::string> unset;
    std::string input;
};

inline std::string readToEnd(UniqueFd& fd) {
    std::string text;
    for (auto got = readSome(fd.get(), text, 65536); got.ok() && got.value() > 0;)
        got = readSome(fd.get(), text, 65536);
    return text;
}

inline ProgramRun runProgram(const ProgramSpec& spec) {
    std::vector<std::string> env;
    for (const std::string& entry : currentEnvironment()) {
        std::string name = entry.substr(0, entry.find('='));
        if (!spec.env.contains(name) && std::ranges::find(spec.unset, name) == spec.unset.end())
            env.push_back(entry);
    }
    for (const auto& [name, value] : spec.env)
        env.push_back(name + "=" + value);
    using enum StreamMode;
    auto started = spawnProcess(
        {spec.argv[0], {spec.argv.begin() + 1, spec.argv.end()}, env, Pipe, Pipe, Pipe});
    if (!started.ok())
        throw std::runtime_error("cannot start " + spec.argv[0]);
    ChildProcess& child = started.value();
    ProgramRun run;
    std::thread feed([&] {
        (void)writeAll(child.input().get(), spec.input); // a child may stop reading
        (void)child.input().close();
    });
    std::thread errors([&] { run.err = readToEnd(child.errors()); });
    run.out = readToEnd(child.output());
    feed.join();
    errors.join();
    auto status = child.wait();
    if (status.ok() && WIFEXITED(status.value()))
        run.exitStatus = WEXITSTATUS(status.value());
    return run;
}

} // namespace brimlow
