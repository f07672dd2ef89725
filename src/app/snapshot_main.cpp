// The snapshot helper: "--snapshot", "--json" and "--waybar", a program of
// its own because the log reader links libraries (simdjson, zstd) that the
// status-line mode must not load.
#include "app/modes.h"
#include "app/snapshot.h"
#include "base/environment.h"
#include "codex/app_server.h"
#include "usage/local_usage_reader.h"

#include <algorithm>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    using namespace brimlow;
    std::vector<std::string_view> args(argv, argv + argc);
    ProcessEnvironment env;
    auto fetch = [&env] { return fetchCodexQuota(env); };
    Mode mode = selectMode(args);
    // A second run starts where the last one (or the application) left off.
    SystemClock clock;
    LocalUsageReader reader(ReaderOptions{.clock = &clock});
    reader.restoreFrom(scanCachePath(env));
    if (mode == Mode::Json || mode == Mode::Waybar) {
        std::function<bool()> everyMinute;
        // waybar's continuous mode: a new line whenever the figures change,
        // read as often as the application refreshes.
        if (mode == Mode::Waybar && std::ranges::find(args, "--watch") != args.end())
            everyMinute = [] {
                std::this_thread::sleep_for(kRefreshInterval);
                return true;
            };
        printReports(stdout, mode == Mode::Json ? ReportFormat::Json : ReportFormat::Waybar, reader,
                     {env, clock, fetch}, everyMinute);
        return 0;
    }
    // The default places under the home directory, whatever CODEX_HOME and
    // CLAUDE_CONFIG_DIR say: the figures of the user's own tools.
    printSnapshot(stdout, reader, logRoots(env, Overrides::Ignored), startOfLocalDay(clock.now()),
                  fetch);
    (void)reader.saveTo(scanCachePath(env));
    return 0;
}
