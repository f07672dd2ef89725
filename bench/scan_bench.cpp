// Measures the log reader on a generated corpus and checks its totals
// against the generator's expected.json; any mismatch fails the run.
//
//   scan_bench CORPUS                       every measurement below
//   scan_bench --mode cold --threads N CORPUS   one cold scan, in this process
//   scan_bench --mode rescan CORPUS         rescans of the unchanged trees
//
// "Cold" means a fresh reader (empty cache); the files themselves come from
// the page cache once the corpus has been read before. Peak memory is only
// meaningful for a process that did nothing else, so the full run starts one
// process per cold scan.
#include "usage/local_usage_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace brimlow {
namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

struct Corpus {
    std::string claudeRoot;
    std::string codexRoot;
    json expected;
    double megabytes = 0;
};

Corpus loadCorpus(const std::string& dir) {
    std::ifstream in(dir + "/expected.json");
    if (!in) {
        std::fprintf(stderr, "no %s/expected.json (make it with scripts/make-corpus)\n",
                     dir.c_str());
        std::exit(2);
    }
    Corpus corpus{dir + "/claude/projects", dir + "/codex/sessions", json::parse(in), 0};
    corpus.megabytes = corpus.expected["bytes"]["total"].get<double>() / 1e6;
    return corpus;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Midnight UTC of an expected.json period's first day; all records when null.
Time periodStart(const json& period) {
    if (period["since"].is_null())
        return distantPast();
    return *parseRfc3339(period["since"].get<std::string>() + "T00:00:00Z");
}

// Counts the mismatches it reports.
struct Checker {
    int failures = 0;

    void equal(const std::string& what, std::int64_t actual, const json& expected) {
        if (actual == expected.get<std::int64_t>())
            return;
        std::fprintf(stderr, "MISMATCH %s: reader %lld, expected %lld\n", what.c_str(),
                     (long long)actual, (long long)expected.get<std::int64_t>());
        ++failures;
    }
};

// True when the reader's records agree with expected.json.
bool check(const Corpus& corpus, const ProviderUsage& claude, const ProviderUsage& codex) {
    const json& c = corpus.expected["claude"];
    const json& x = corpus.expected["codex"];
    Checker checker;
    checker.equal("claude records", claude.recordCount(), c["records"]);
    checker.equal("codex records", codex.recordCount(), x["records"]);
    for (const auto& [name, period] : c["periods"].items()) {
        TokenTotals totals = claude.totals(periodStart(period));
        std::string label = "claude " + name;
        checker.equal(label + " input", totals.input, period["input"]);
        checker.equal(label + " output", totals.output, period["output"]);
        checker.equal(label + " cache", totals.cache, period["cache"]);
    }
    for (const auto& [name, period] : x["periods"].items()) {
        TokenTotals totals = codex.totals(periodStart(period));
        std::string label = "codex " + name;
        checker.equal(label + " input", totals.input, period["input"]);
        checker.equal(label + " output", totals.output, period["output"]);
        checker.equal(label + " cache", totals.cache, json(0));
    }
    if (codex.quotas.empty() || !codex.plan) {
        std::fprintf(stderr, "MISMATCH codex: no rate-limit snapshot found\n");
        ++checker.failures;
    }
    return checker.failures == 0;
}

double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

int coldScan(const Corpus& corpus, unsigned threads) {
    auto start = Clock::now();
    SystemClock systemClock;
    LocalUsageReader reader(ReaderOptions{threads, kDefaultChunkBytes, &systemClock});
    ProviderUsage claude = reader.claude(corpus.claudeRoot);
    ProviderUsage codex = reader.codex(corpus.codexRoot);
    double ms = millisecondsSince(start);
    bool ok = check(corpus, claude, codex);
    std::printf("cold scan, %u thread%s: %.0f ms, %.0f MB/s, peak RSS %.1f MiB\n", threads,
                threads == 1 ? "" : "s", ms, corpus.megabytes / (ms / 1000.0), peakRssMiB());
    return ok ? 0 : 1;
}

int rescan(const Corpus& corpus) {
    SystemClock systemClock;
    LocalUsageReader reader(ReaderOptions{.clock = &systemClock});
    ProviderUsage claude = reader.claude(corpus.claudeRoot);
    ProviderUsage codex = reader.codex(corpus.codexRoot);
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        auto start = Clock::now();
        claude = reader.claude(corpus.claudeRoot);
        codex = reader.codex(corpus.codexRoot);
        times.push_back(millisecondsSince(start));
    }
    bool ok = check(corpus, claude, codex);
    std::sort(times.begin(), times.end());
    std::size_t files = corpus.expected["files"]["claude"].get<std::size_t>() +
                        corpus.expected["files"]["codex"].get<std::size_t>();
    std::printf("rescan of %zu unchanged files: median %.1f ms (min %.1f, max %.1f)\n", files,
                times[times.size() / 2], times.front(), times.back());
    std::printf("cache memory: %.1f MiB for %.0f MB of logs\n",
                double(reader.cacheMemoryBytes()) / (1024.0 * 1024.0), corpus.megabytes);
    return ok ? 0 : 1;
}

// One Codex rollout of about 1 GB in a directory of its own under /tmp, as
// the CLI writes them: each turn a long response line, then its token count
// with the rate limits. Then 1 KB appended before each of 15 rescans: the
// active session of a heavy user, read again every minute. A whole reading
// of it, as every rescan was before appended reads, is the first figure.
int appended() {
    std::string root = "/tmp/brimlow-append-bench";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    std::string path = root + "/rollout.jsonl";
    std::int64_t turn = 0;
    const std::string text(10000, 'x');
    auto turnLines = [&](bool withResponse) {
        ++turn;
        std::string stamp = formatUtcSeconds(*fromUnixSeconds(1767225600.0 + double(turn)));
        stamp = stamp.substr(0, 10) + "T" + stamp.substr(11, 8) + "Z";
        std::string lines;
        if (withResponse)
            lines +=
                R"({"timestamp":")" + stamp +
                R"(","type":"response_item","payload":{"type":"message","content":[{"type":"output_text","text":")" +
                text + "\"}]}}\n";
        return lines + R"({"timestamp":")" + stamp +
               R"(","type":"event_msg","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":)" +
               std::to_string(turn * 1000) +
               R"(,"output_tokens":100}},"rate_limits":{"primary":{"used_percent":10,"window_minutes":300}}}})"
               "\n";
    };
    {
        std::ofstream out(path, std::ios::binary);
        for (std::size_t written = 0; written < 1000000000;) {
            std::string lines = turnLines(true);
            out << lines;
            written += lines.size();
        }
    }
    SystemClock systemClock;
    LocalUsageReader reader(ReaderOptions{.clock = &systemClock});
    auto start = Clock::now();
    std::int64_t records = reader.codex(root).recordCount();
    double whole = millisecondsSince(start);
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        std::string more;
        while (more.size() < 1000)
            more += turnLines(false);
        std::ofstream(path, std::ios::app | std::ios::binary) << more;
        start = Clock::now();
        records = reader.codex(root).recordCount();
        times.push_back(millisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf("1 GB rollout: read whole %.0f ms; after 1 KB appended, median %.2f ms (min %.2f, "
                "max %.2f); %lld records\n",
                whole, times[times.size() / 2], times.front(), times.back(), (long long)records);
    std::filesystem::remove_all(root);
    return 0;
}

// Runs this program again with `args`, so a measurement gets a process of
// its own.
int runChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
        return 1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0)
        return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int usage() {
    std::fprintf(stderr, "usage: scan_bench [--mode cold|rescan] [--threads N] CORPUS\n"
                         "       scan_bench --mode append\n");
    return 2;
}

int run(int argc, char** argv) {
    std::string mode = "all";
    unsigned threads = 1;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--mode") && i + 1 < argc)
            mode = argv[++i];
        else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc)
            threads = unsigned(std::atoi(argv[++i]));
        else if (argv[i][0] != '-' && dir.empty())
            dir = argv[i];
        else
            return usage();
    }
    if (mode == "append")
        return appended();
    if (dir.empty())
        return usage();
    if (mode == "cold")
        return coldScan(loadCorpus(dir), threads);
    Corpus corpus = loadCorpus(dir);
    if (mode == "rescan")
        return rescan(corpus);
    if (mode != "all")
        return usage();

    std::printf("corpus %s: %.0f MB in %d files\n", dir.c_str(), corpus.megabytes,
                corpus.expected["files"]["claude"].get<int>() +
                    corpus.expected["files"]["codex"].get<int>());
    std::fflush(stdout);
    int status = 0;
    // The first run also brings the files into the page cache.
    for (const char* count : {"1", "1", "2"})
        status |= runChild({argv[0], "--mode", "cold", "--threads", count, dir});
    std::fflush(stdout);
    status |= rescan(corpus);
    if (status != 0)
        std::fprintf(stderr, "FAILED: the reader's totals differ from expected.json\n");
    return status;
}

} // namespace
} // namespace brimlow

int main(int argc, char** argv) {
    return brimlow::run(argc, argv);
}
