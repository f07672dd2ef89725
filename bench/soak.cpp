// A long run of the meter model: refresh cycles one after another against a
// stand-in Codex app server that answers, refuses, hangs, exits early or
// talks nonsense in turn, over a log tree that grows every cycle. Prints the
// process's open descriptors, threads, children (zombies apart), resident
// memory and the records read, every REPORT cycles, and fails when
// descriptors, threads or children grow.
//
//   soak STAND_IN [CYCLES] [REPORT] [still]
//
// With "still", the logs are written once and never grow, so any growth in
// memory is the program's own.
#include "codex/app_server.h"
#include "model/meter_model.h"
#include "test_support/fake_environment.h"
#include "test_support/fake_notification_center.h"
#include "test_support/fake_services.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace brimlow;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// What the stand-in does in each cycle, in turn.
const std::vector<std::vector<std::string>> kScenarios = {
    {"read", R"(send {"id":0,"result":{}})", "read", "read",
     R"(send {"id":1,"result":{"rateLimits":{"primary":{"usedPercent":91,"windowDurationMins":300,"resetsAt":4102444800}}}})",
     "hang"},
    {"read", R"(send {"id":0,"result":{}})", "read", "read",
     R"(send {"id":1,"error":{"message":"not logged in"}})", "hang"},
    {"read", "hang"},
    {"exit 0"},
    {"read", "close-stdout", "hang"},
    {"read", R"(send-raw noise\n{"id":0,)", "exit 3"},
    {"read", R"(send {"id":0,"result":{}})", "read", "read",
     R"(send {"id":1,"result":{"rateLimits":{"primary":{"usedPercent":12}}}})", "exit 0"},
    {"close-stdin", R"(send {"id":0,"result":{}})", "hang"},
};

struct Sample {
    int descriptors = 0;
    int threads = 0;
    int children = 0;
    int zombies = 0;
    long rssKiB = 0;
};

int countEntries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

long statusField(const std::string& name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name + ":", 0) == 0)
            return std::stol(line.substr(name.size() + 1));
    return -1;
}

Sample sample() {
    Sample s;
    s.descriptors = countEntries("/proc/self/fd") - 1; // the one opendir holds
    s.threads = int(statusField("Threads"));
    s.rssKiB = statusField("VmRSS");
    std::string self = std::to_string(getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        if (!std::getline(stat, text))
            continue;
        // pid (comm) state ppid ...: the command may hold spaces and parentheses.
        auto close = text.rfind(')');
        if (close == std::string::npos || close + 4 > text.size())
            continue;
        char state = text[close + 2];
        std::string ppid = text.substr(close + 4, text.find(' ', close + 4) - close - 4);
        if (ppid == self)
            ++(state == 'Z' ? s.zombies : s.children);
    }
    return s;
}

void appendLine(const fs::path& path, const std::string& line) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::app) << line << '\n';
}

std::string stamp(std::chrono::system_clock::time_point t) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void growLogs(const fs::path& root, int cycle) {
    auto now = std::chrono::system_clock::now();
    std::string session = std::to_string(cycle / 50);
    appendLine(
        root / "codex/sessions" / ("s" + session + ".jsonl"),
        R"({"timestamp":")" + stamp(now) +
            R"(","type":"event_msg","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":)" +
            std::to_string(100 * cycle) + R"(,"output_tokens":7}}}})");
    appendLine(root / "claude/projects/p" / ("s" + session + ".jsonl"),
               R"({"type":"assistant","timestamp":")" + stamp(now) + R"(","message":{"id":"m)" +
                   std::to_string(cycle) + R"(","usage":{"input_tokens":10,"output_tokens":5}}})");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soak STAND_IN [CYCLES] [REPORT]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int every = argc > 3 ? std::atoi(argv[3]) : 100;
    const bool grow = !(argc > 4 && std::string(argv[4]) == "still");

    char pattern[] = "/tmp/brimlow-soak.XXXXXX";
    const fs::path root = mkdtemp(pattern);
    fs::create_directories(root / "home/.local/bin");
    fs::create_symlink(fs::absolute(argv[1]), root / "home/.local/bin/codex");
    const fs::path scenario = root / "scenario";
    setenv("BRIMLOW_STAND_IN_SCENARIO", scenario.c_str(), 1);

    auto env = std::make_shared<FakeEnvironment>();
    env->set("HOME", root / "home");
    env->set("PATH", root / "no-bin");
    env->set("CODEX_HOME", root / "codex");
    env->set("CLAUDE_CONFIG_DIR", root / "claude");
    env->set("XDG_DATA_HOME", root / "data");

    auto center = std::make_shared<FakeCenter>();
    MeterServices services{
        .env = env,
        .clock = std::make_shared<SystemClock>(),
        .fetchCodexQuota =
            [](const Environment& e) {
                // A hang costs this, not the usual 15 seconds.
                return fetchCodexQuota(e, {.timeout = 600ms, .pollInterval = 50ms});
            },
        .notifications = center,
        .timeOfDay = [](Time) { return std::string("00:00"); },
        .login = std::make_shared<FakeLogin>(),
        .settings = std::make_shared<FakeSettings>(), // reset alerts on
        .claudeBridgeInstalled = [] { return false; },
        .connectClaude = [] { return Result<void>(); },
    };
    MeterModel model(std::move(services));

    auto waitForCycle = [&] {
        while (model.refreshing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    };

    std::printf("%6s %5s %7s %8s %7s %8s %9s %9s\n", "cycle", "fds", "threads", "children",
                "zombies", "rss KiB", "codex", "claude");
    Sample first, peak;
    auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= cycles; ++i) {
        {
            std::ofstream out(scenario, std::ios::trunc);
            for (const auto& line : kScenarios[i % kScenarios.size()])
                out << line << '\n';
        }
        // The logs grow every cycle; every 50 cycles a new session begins.
        if (grow || i == 1)
            growLogs(root, i);

        model.refresh();
        waitForCycle();

        Sample s = sample();
        peak.descriptors = std::max(peak.descriptors, s.descriptors);
        peak.threads = std::max(peak.threads, s.threads);
        peak.children = std::max(peak.children, s.children);
        peak.zombies = std::max(peak.zombies, s.zombies);
        if (i == 1)
            first = s;
        if (i == 1 || i % every == 0)
            std::printf("%6d %5d %7d %8d %7d %8ld %9lld %9lld\n", i, s.descriptors, s.threads,
                        s.children, s.zombies, s.rssKiB, (long long)model.codex().recordCount(),
                        (long long)model.claude().recordCount());
        std::fflush(stdout);
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // Children still winding down are given the reaper's grace period.
    std::this_thread::sleep_for(4s);
    Sample last = sample();
    std::printf("%d cycles in %.0f s; peak fds %d, threads %d, children %d, zombies %d; "
                "after a 4 s pause: fds %d, threads %d, children %d, zombies %d, rss %ld KiB "
                "(%+ld KiB since cycle 1)\n",
                cycles, seconds, peak.descriptors, peak.threads, peak.children, peak.zombies,
                last.descriptors, last.threads, last.children, last.zombies, last.rssKiB,
                last.rssKiB - first.rssKiB);
    fs::remove_all(root);
    bool leaked = last.descriptors > first.descriptors || last.threads > first.threads ||
                  last.children > 0 || last.zombies > 0;
    if (leaked)
        std::printf("FAIL: descriptors, threads or children grew\n");
    return leaked ? 1 : 0;
}
