// The status-line mode as Claude Code runs it: the real executable, status
// JSON on standard input, a real /bin/sh for the previous command.
#include "base/files.h"
#include "claude/quota_history.h"
#include "claude/statusline.h"
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <thread>

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kStatus =
    R"({"model":{"id":"x"},"rate_limits":{"five_hour":{"used_percentage":42,"resets_at":1760000000},"extra":[1,{"a":null}]}})";
constexpr const char* kDefaultLine = "Brimlow · Claude 한도 연결\n";

class Statusline : public ::testing::Test {
protected:
    std::string snapshotPath() const { return m_dir / "data/Brimlow/claude-quota.json"; }

    void previousCommand(const std::string& command) {
        m_dir.write(
            "data/Brimlow/claude-statusline-backup.json",
            json{{"statusLine", {{"type", "command"}, {"command", command}}}, {"wasPresent", true}}
                .dump());
    }

    ProgramRun run(const std::string& input) const {
        return runProgram({{BRIMLOW_EXECUTABLE, "--claude-statusline"},
                           {{"HOME", m_dir / "home"}, {"XDG_DATA_HOME", m_dir / "data"}},
                           {},
                           input});
    }

    TempDir m_dir;
};

TEST_F(Statusline, RecordsUsableRateLimitsAndPrintsTheDefaultLineWithoutAUsableBackup) {
    auto result = run(kStatus);
    EXPECT_EQ(result.out, kDefaultLine);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);

    json snapshot = json::parse(readWholeFile(snapshotPath()).value());
    EXPECT_EQ(snapshot["rate_limits"], json::parse(kStatus)["rate_limits"]);
    EXPECT_TRUE(snapshot["updatedAt"].is_number());

    // Input without usable rate limits keeps the snapshot, also with a
    // backup that holds no previous command.
    std::string recorded = readWholeFile(snapshotPath()).value();
    m_dir.write("data/Brimlow/claude-statusline-backup.json", R"({"wasPresent": false})");
    for (const char* input : {"not json", R"({"rate_limits":"x"})"}) {
        auto again = run(input);
        EXPECT_EQ(again.out, kDefaultLine) << input;
        EXPECT_EQ(again.exitStatus, 0);
        EXPECT_EQ(readWholeFile(snapshotPath()).value(), recorded) << input;
    }
    // Nor does a hand-edited backup make the mode run itself.
    previousCommand("'" BRIMLOW_EXECUTABLE "' --claude-statusline");
    EXPECT_EQ(run(kStatus).out, kDefaultLine);
}

// Whatever the previous command does to its shell, Claude Code sees what
// `sh -c` alone would print, and the mode still ends with 0.
TEST_F(Statusline, RunsThePreviousCommandAsShWouldAndEndsWithZero) {
    std::string input = std::string("not json at all \x01\xff\n", 19) + kStatus;
    for (const char* command : {
             "cat; printf 'second line\\n'",
             "echo \"$(printf abc | tr a-c x-z)\" | sed s/y/Y/; echo err >&2; exit 7",
             "printf out; kill -TERM $$",
             "if then",
         }) {
        previousCommand(command);
        auto bridged = run(input);
        auto direct = runProgram({{"/bin/sh", "-c", command}, {}, {}, input});
        EXPECT_EQ(bridged.out, direct.out) << command;
        EXPECT_EQ(bridged.err, direct.err) << command;
        EXPECT_EQ(bridged.exitStatus, 0) << command;
    }
}

TEST_F(Statusline, ACommandThatNeverReadsItsInputDoesNotKillTheMode) {
    previousCommand("echo ignored the input");
    // Far more than a pipe holds, so our write meets a closed pipe.
    std::string input(4 << 20, 'x');
    auto result = run(input);
    EXPECT_EQ(result.out, "ignored the input\n");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(Statusline, ConcurrentRunsNeverLeaveAnUnparsableSnapshot) {
    ASSERT_EQ(run(kStatus).exitStatus, 0);
    std::atomic<bool> done{false};
    std::atomic<int> unparsable{0};
    std::thread watcher([&] {
        while (!done) {
            auto text = readWholeFile(snapshotPath());
            if (!text.ok() || !json::accept(text.value()))
                ++unparsable;
        }
    });
    std::vector<std::thread> runs;
    for (int i = 0; i < 50; ++i)
        runs.emplace_back([&, i] {
            (void)run(R"({"rate_limits":{"five_hour":{"used_percentage":)" + std::to_string(i) +
                      "}}}");
        });
    for (auto& t : runs)
        t.join();
    done = true;
    watcher.join();
    EXPECT_EQ(unparsable, 0);
    // Each run saw a change: the history has whole lines only, none lost.
    std::string history = readWholeFile(m_dir / "data/Brimlow/claude-quota-history.jsonl").value();
    auto lines = std::count(history.begin(), history.end(), '\n');
    EXPECT_GE(lines, 50);
    EXPECT_EQ(std::ptrdiff_t(
                  readQuotaHistory(m_dir / "data/Brimlow/claude-quota-history.jsonl", systemNow())
                      .size()),
              lines);
    for (const auto& e : fs::directory_iterator(m_dir / "data/Brimlow"))
        EXPECT_TRUE(e.path().filename() == "claude-quota.json" ||
                    e.path().filename() == "claude-quota-history.jsonl")
            << "no temporary file is left behind: " << e.path();
}

// Too deep to copy and print: taken as no rate limits at all.
TEST(QuotaSnapshotFor, RefusesRateLimitsNestedTooDeep) {
    EXPECT_FALSE(quotaSnapshotFor(R"({"rate_limits":{"x":)" + std::string(100000, '[') +
                                      std::string(100000, ']') + "}}",
                                  Time{}));
}

} // namespace
} // namespace brimlow
