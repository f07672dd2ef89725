// The one command users run: a command-line tool and, without a mode flag,
// the tray application. It depends on nothing but the C library (the C++
// runtime is linked in), so the status-line mode that Claude Code runs on
// every redraw starts in about the time of /bin/true. The modes that need
// heavier libraries replace this process with a helper program that links
// them.
#include "app/helper.h"
#include "app/modes.h"
#include "base/environment.h"
#include "base/print_line.h"
#include "claude/bridge.h"
#include "claude/statusline.h"
#include "texts/texts.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace brimlow;

// Returns only when the helper could not be started, after printing why.
int runHelper(const char* name, char** argv) {
    auto executable = currentExecutablePath();
    std::string own = executable.ok() ? executable.value() : std::string();
    auto directories = helperDirectories(own, BRIMLOW_LIB_DIR_NAME, BRIMLOW_HELPER_DIR);
    // The helper learns from argv[0] which program to record in the
    // autostart entry and the Claude bridge: this one, by its full path.
    std::string launcher = !own.empty() || !argv[0] ? own : std::string(argv[0]);
    printLine(stdout, helperFailureText(execHelper(directories, name, argv, launcher)));
    return 1;
}

// A bridge change prints its success line, or the error (which names the
// file it concerns) and ends with status 1.
int reportBridgeChange(const Result<void>& outcome, std::string_view success) {
    if (!outcome.ok()) {
        printLine(stdout, outcome.error().message());
        return 1;
    }
    printLine(stdout, success);
    return 0;
}

int runConnectClaude() {
    ProcessEnvironment env;
    auto executable = currentExecutablePath();
    if (!executable.ok())
        return reportBridgeChange(executable.error(), "");
    return reportBridgeChange(connectClaude(env, executable.value()), kClaudeConnected);
}

int runDisconnectClaude() {
    ProcessEnvironment env;
    return reportBridgeChange(disconnectClaude(env), kClaudeDisconnected);
}

int runApplication(char** argv) {
    if (!hasGraphicalSession(ProcessEnvironment())) {
        printLine(stdout, kNoGraphicalSession);
        return 1;
    }
    return runHelper("brimlow-tray", argv);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv, argv + argc);
    Mode mode = selectMode(args);
    switch (mode) {
    case Mode::Snapshot:
    case Mode::Json:
    case Mode::Waybar:
        return runHelper("brimlow-snapshot", argv);
    case Mode::ClaudeStatusline:
        runClaudeStatusline(ProcessEnvironment(), systemNow(), kDefaultStatusLine);
        return 0;
    case Mode::ConnectClaude:
        return runConnectClaude();
    case Mode::DisconnectClaude:
        return runDisconnectClaude();
    case Mode::TestNotify:
        return runHelper("brimlow-test-notify", argv);
    case Mode::Application:
        return runApplication(argv);
    }
    return 0;
}
