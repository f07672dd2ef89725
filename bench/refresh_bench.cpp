// One refresh cycle of the meter model over a generated corpus whose files
// have not changed since the last cycle: the worker's time before the Codex
// query (which a stand-in answers at once), and the longest time any one
// event on the main thread took, publications included.
//
//   refresh_bench CORPUS [CYCLES]
#include "base/memory.h"
#include "model/meter_model.h"
#include "test_support/fake_environment.h"
#include "test_support/fake_services.h"
#include "test_support/temp_dir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace brimlow;
using Steady = std::chrono::steady_clock;

// Times every event the main thread handles.
class TimedApplication final : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        auto start = Steady::now();
        bool handled = QCoreApplication::notify(receiver, event);
        longest = std::max(longest, Steady::now() - start);
        return handled;
    }
    Steady::duration longest{};
};

// A line of /proc/self/status in MiB: "VmRSS" now, "VmHWM" at the peak.
double statusMiB(const char* name) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    double kib = 0;
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, name, std::strlen(name)) == 0)
            kib = std::atof(line + std::strlen(name) + 1);
    }
    if (status)
        std::fclose(status);
    return kib / 1024.0;
}

double ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: refresh_bench CORPUS [CYCLES]\n");
        return 2;
    }
    returnLargeBuffersWhenFreed(); // as the application does
    TimedApplication app(argc, argv);
    std::string corpus = argv[1];
    int cycles = argc > 2 ? std::atoi(argv[2]) : 15;

    auto env = std::make_shared<FakeEnvironment>();
    env->set("HOME", corpus);
    env->set("CODEX_HOME", corpus + "/codex");
    env->set("CLAUDE_CONFIG_DIR", corpus + "/claude");
    // Claude's status-line snapshot and a heavy user's eight days of its
    // history: a change of one of two windows every two minutes.
    TempDir data;
    env->set("XDG_DATA_HOME", data.path());
    env->set("XDG_CACHE_HOME", data / "cache"); // a cold start every run
    Time now = systemNow();
    std::string history;
    for (int minutes = 8 * 24 * 60; minutes > 0; minutes -= 2) {
        Time at = now - std::chrono::minutes(minutes);
        history += "{\"at\":" + std::to_string(toUnixSeconds(at)) +
                   ",\"minutes\":" + (minutes % 4 ? "300" : "10080") +
                   ",\"percent\":" + std::to_string(minutes % 100) + ",\"resetsAt\":null}\n";
    }
    data.write("Brimlow/claude-quota-history.jsonl", history);
    data.write("Brimlow/claude-quota.json",
               R"({"rate_limits":{"five_hour":{"used_percentage":42}},"updatedAt":)" +
                   std::to_string(toUnixSeconds(now)) + "}");
    std::printf("Claude's history: %zu lines, %zu KB\n",
                std::size_t(std::count(history.begin(), history.end(), '\n')),
                history.size() / 1024);

    auto settings = std::make_shared<FakeSettings>();
    settings->values["notifyReset"] = false; // no notification centre here
    Steady::time_point cycleStart, queried;
    MeterServices services{
        .env = env,
        .clock = std::make_shared<SystemClock>(),
        .fetchCodexQuota =
            [&](const Environment&) {
                queried = Steady::now();
                return Result<CodexLimits>(CodexLimits{});
            },
        .timeOfDay = [](Time) { return std::string(); },
        .login = std::make_shared<FakeLogin>(),
        .settings = settings,
        .claudeBridgeInstalled = [] { return false; },
        .connectClaude = [] { return Result<void>(); },
    };
    MeterModel model(std::move(services));

    auto runCycle = [&] {
        cycleStart = Steady::now();
        model.refresh();
        while (model.refreshing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return queried - cycleStart;
    };

    std::printf("resident memory before the first cycle: %.1f MiB\n", statusMiB("VmRSS"));
    auto cold = runCycle();
    std::printf("cold cycle (empty cache): worker %.1f ms; %lld Codex and %lld Claude records\n",
                ms(cold), (long long)model.codex().recordCount(),
                (long long)model.claude().recordCount());
    app.longest = {};
    std::vector<double> worker;
    for (int i = 0; i < cycles; ++i)
        worker.push_back(ms(runCycle()));
    std::sort(worker.begin(), worker.end());
    std::printf("unchanged files, %d cycles: worker median %.1f ms (min %.1f, max %.1f)\n", cycles,
                worker[worker.size() / 2], worker.front(), worker.back());
    std::printf("longest main-thread event during them: %.2f ms\n", ms(app.longest));
    std::printf("resident memory after them: %.1f MiB (peak %.1f MiB)\n", statusMiB("VmRSS"),
                statusMiB("VmHWM"));

    return 0;
}
