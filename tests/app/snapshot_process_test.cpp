// The snapshot mode as a user runs it: the real executable, a home directory
// of fixture logs and a stand-in Codex CLI installed where a user's own
// would be, compared byte for byte.
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"
#include "usage/log_fixture.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace brimlow {
namespace {

using testing::claudeLine;
using testing::codexLine;

std::string todayUtc(const char* clock) {
    return formatUtcSeconds(systemNow()).substr(0, 10) + "T" + clock + "Z";
}

class SnapshotProcess : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* path : {"/opt/homebrew/bin/codex", "/usr/local/bin/codex"}) {
            if (access(path, X_OK) == 0)
                GTEST_SKIP() << path << " would be found before the stand-in";
        }
        std::filesystem::create_directories(m_home / ".local/bin");
        std::filesystem::create_symlink(BRIMLOW_CODEX_STAND_IN, m_home / ".local/bin/codex");
    }

    void installStandIn(const std::vector<std::string>& scenario) {
        std::ofstream file(m_home / "scenario");
        for (const auto& line : scenario)
            file << line << '\n';
    }

    ProgramRun snapshot(std::map<std::string, std::string> env = {},
                        const char* flag = "--snapshot") {
        env.emplace("HOME", m_home.path());
        env.emplace("TZ", "UTC");
        env.emplace("PATH", m_home / "empty-bin");
        env.emplace("BRIMLOW_STAND_IN_SCENARIO", m_home / "scenario");
        return runProgram(
            {{BRIMLOW_EXECUTABLE, flag}, env, {"CODEX_HOME", "CLAUDE_CONFIG_DIR"}, ""});
    }

    // Codex's logs in the default place and elsewhere; Claude's in both of
    // its default places; the live answer at 42 % and 17.25 %.
    void writeLogsAndLiveAnswer() {
        m_home.write(".codex/sessions/2026/01/01/rollout-a.jsonl",
                     codexLine(todayUtc("01:00:00.500"), 1000, 234) + "\n" +
                         codexLine("2020-01-01T00:00:00Z", 5, 5));
        const std::string cached = claudeLine(todayUtc("02:00:00"), "m1", 10, 20, 300, 4000) + "\n";
        m_home.write(".claude/projects/-home-p/s.jsonl", cached);
        // Claude Code's other default place; a message logged in both counts once.
        m_home.write(".config/claude/projects/-home-q/t.jsonl",
                     cached + claudeLine(todayUtc("02:30:00"), "m2", 1, 2));
        m_home.write("elsewhere/sessions/x.jsonl", codexLine(todayUtc("03:00:00"), 9, 9));
        installStandIn(
            {"read", R"(send {"method":"codex/event","params":{}})", R"(send {"id":0,"result":{}})",
             "read", "read",
             R"(send {"id":1,"result":{"rateLimits":{"primary":{"usedPercent":42,"windowDurationMins":300,"resetsAt":1760000000},"secondary":{"usedPercent":17.25,"windowDurationMins":10080},"planType":"plus"}}})",
             "hang"});
    }

    TempDir m_home;
};

TEST_F(SnapshotProcess, PrintsLocalFiguresThenLiveWindowsOrTheRefusalExactly) {
    writeLogsAndLiveAnswer();
    // Another CODEX_HOME or CLAUDE_CONFIG_DIR must not move where it reads.
    auto run = snapshot(
        {{"CODEX_HOME", m_home / "elsewhere"}, {"CLAUDE_CONFIG_DIR", m_home / "elsewhere"}});
    const std::string local = "Codex: 2 usage records; today 1234 tokens\n"
                              "Claude: 2 usage records; today 4333 tokens\n";
    EXPECT_EQ(run.out, local + "Codex 5시간: 42.0% used\n"
                               "Codex 주간: 17.25% used\n");
    // A refusal prints its text instead and the mode still succeeds.
    installStandIn({"read", R"(send {"id":0,"error":{"message":"not logged in"}})", "hang"});
    auto refused = snapshot();
    EXPECT_EQ(refused.out, local + "Codex 로그인 또는 한도 조회 실패\n");
    for (const auto& each : {run, refused})
        EXPECT_EQ(std::tie(each.err, each.exitStatus), std::tuple("", 0)) << each.out;
}

// Unlike the snapshot, they read where CODEX_HOME says, as the application
// does. The five-hour window's reset (2025) has passed: the week is current.
TEST_F(SnapshotProcess, JsonAndWaybarGiveOneLineOfTheApplicationsFigures) {
    writeLogsAndLiveAnswer();
    auto json = snapshot({{"CODEX_HOME", m_home / "elsewhere"}}, "--json");
    auto bar = snapshot({{"CODEX_HOME", m_home / "elsewhere"}}, "--waybar");
    for (const auto& each : {json, bar}) {
        EXPECT_EQ(std::tie(each.err, each.exitStatus), std::tuple("", 0)) << each.out;
        EXPECT_EQ(std::count(each.out.begin(), each.out.end(), '\n'), 1) << each.out;
    }
    auto report = nlohmann::json::parse(json.out);
    const auto& codex = report["providers"][0];
    EXPECT_EQ(codex["records"], 1);
    EXPECT_EQ(codex["status"], "계정 한도 · 실시간 조회");
    EXPECT_EQ(codex["windows"][0]["percent"], 42);
    EXPECT_NEAR(codex["windows"][0]["lastSampleAt"].get<double>(),
                report["generatedAt"].get<double>(), 1.0)
        << "the live answer is a sample";
    EXPECT_EQ(report["providers"][1]["today"]["total"], 4333);
    EXPECT_EQ(
        nlohmann::json::parse(bar.out),
        nlohmann::json::parse(
            R"({"class":"normal","percentage":17,"text":"C 17%  A 4.3K",)"
            R"("tooltip":"C 17%  A 4.3K\nCodex 한도 사용률 · Claude 한도 사용률 또는 오늘 토큰"})"));
}

} // namespace
} // namespace brimlow
