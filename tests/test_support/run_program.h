// Runs a program as a child process the way a shell or Claude Code would:
// the given bytes on standard input, both output streams captured, a chosen
// environment. Files carry the streams, so no pipe can fill up and stall.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <optional>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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
    // Drops the capabilities that let root ignore file permissions, so tests
    // of read-only directories mean the same for root as for a user.
    bool withoutOverride = false;
};

namespace detail {

inline std::string slurp(FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    return text;
}

} // namespace detail

inline ProgramRun runProgram(const ProgramSpec& spec) {
    FILE* in = std::tmpfile();
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    std::fwrite(spec.input.data(), 1, spec.input.size(), in);
    std::fflush(in);
    std::rewind(in);

    std::map<std::string, std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        auto eq = text.find('=');
        env[text.substr(0, eq)] = eq == std::string::npos ? "" : text.substr(eq + 1);
    }
    for (const auto& name : spec.unset)
        env.erase(name);
    for (const auto& [name, value] : spec.env)
        env[name] = value;
    std::vector<std::string> envText;
    for (const auto& [name, value] : env)
        envText.push_back(name + "=" + value);

    std::vector<std::string> args = spec.argv;
    if (spec.withoutOverride && geteuid() == 0)
        args.insert(args.begin(), {"/usr/bin/setpriv", "--bounding-set",
                                   "-dac_override,-dac_read_search,-fowner"});
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fileno(in), 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(out), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
    pid_t pid;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);

    ProgramRun run;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = detail::slurp(out);
    run.err = detail::slurp(err);
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    return run;
}

} // namespace brimlow
