// The one executable: a command-line tool and, without a mode flag, the tray
// application. It links no GUI library, so the modes that Claude Code runs on
// every status-line redraw start in a few milliseconds.
#include "app/modes.h"
#include "app/snapshot.h"
#include "base/environment.h"
#include "codex/app_server.h"
#include "usage/local_usage_reader.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace brimlow;

int runSnapshot() {
    ProcessEnvironment env;
    LocalUsageReader reader;
    printSnapshot(stdout, reader, homeDirectory(env), startOfLocalDay(systemNow()),
                  [&env] { return fetchCodexQuota(env); });
    return 0;
}

int notAvailable(Mode mode) {
    std::string line = mode == Mode::Application
                           ? "The tray application is not available in this build; "
                             "run \"brimlow --snapshot\" to see the figures."
                           : std::string(flagOf(mode)) + " is not available in this build.";
    std::puts(line.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv, argv + argc);
    Mode mode = selectMode(args);
    switch (mode) {
    case Mode::Snapshot:
        return runSnapshot();
    case Mode::ClaudeStatusline:
    case Mode::ConnectClaude:
    case Mode::DisconnectClaude:
    case Mode::TestNotify:
    case Mode::Application:
        return notAvailable(mode);
    }
    return 0;
}
