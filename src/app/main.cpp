// The one executable: a command-line tool and, without a mode flag, the tray
// application. It depends on nothing but the C library (the C++ runtime is
// linked in), so the status-line mode that Claude Code runs on every redraw
// starts in about the time of /bin/true. Everything heavier lives in modules
// opened only by the modes that need them.
#include "app/modes.h"
#include "app/module.h"
#include "app/qt_module.h"
#include "base/environment.h"
#include "claude/bridge.h"
#include "claude/statusline.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace brimlow;

void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The address of `entry` in a module, or null after printing why it can't
// be had (the caller then ends with status 1).
void* moduleEntry(const char* fileName, const char* entry) {
    auto executable = currentExecutablePath();
    auto directories = moduleDirectories(executable.ok() ? executable.value() : std::string(),
                                         BRIMLOW_LIB_DIR_NAME, BRIMLOW_MODULE_DIR);
    auto loaded = loadModuleEntry(directories, fileName, entry);
    if (!loaded.ok()) {
        printLine(loaded.error().message());
        return nullptr;
    }
    return loaded.value();
}

int runSnapshotModule() {
    void* entry = moduleEntry("brimlow-snapshot.so", "brimlow_snapshot_main");
    return entry ? reinterpret_cast<int (*)()>(entry)() : 1;
}

int runQtModule(int argc, char** argv, QtModuleMode mode) {
    void* entry = moduleEntry(kQtModuleFile, kQtModuleEntry);
    return entry ? reinterpret_cast<QtModuleEntry>(entry)(argc, argv, int(mode)) : 1;
}

// A bridge change prints its success line, or the error (which names the
// file it concerns) and ends with status 1.
int reportBridgeChange(const Result<void>& outcome, const char* success) {
    if (!outcome.ok()) {
        printLine(outcome.error().message());
        return 1;
    }
    printLine(success);
    return 0;
}

int runConnectClaude() {
    ProcessEnvironment env;
    auto executable = currentExecutablePath();
    if (!executable.ok())
        return reportBridgeChange(executable.error(), "");
    return reportBridgeChange(connectClaude(env, executable.value()), "Claude 한도 연결 완료");
}

int runDisconnectClaude() {
    ProcessEnvironment env;
    return reportBridgeChange(disconnectClaude(env), "Claude 기존 status line 복원 완료");
}

int runApplication(int argc, char** argv) {
    if (!hasGraphicalSession(ProcessEnvironment())) {
        printLine("There is no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                  "run \"brimlow --snapshot\" to see the figures.");
        return 1;
    }
    return runQtModule(argc, argv, QtModuleMode::Application);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv, argv + argc);
    Mode mode = selectMode(args);
    switch (mode) {
    case Mode::Snapshot:
        return runSnapshotModule();
    case Mode::ClaudeStatusline:
        runClaudeStatusline(ProcessEnvironment(), systemNow());
        return 0;
    case Mode::ConnectClaude:
        return runConnectClaude();
    case Mode::DisconnectClaude:
        return runDisconnectClaude();
    case Mode::TestNotify:
        return runQtModule(argc, argv, QtModuleMode::TestNotify);
    case Mode::Application:
        return runApplication(argc, argv);
    }
    return 0;
}
