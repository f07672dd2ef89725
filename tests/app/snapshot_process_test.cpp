// The snapshot mode as a user runs it: the real executable, a home directory
// of fixture logs and a stand-in Codex CLI installed where a user's own
// would be, compared byte for byte.
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

std::string todayUtc(const char* clock) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
    return std::string(text) + "T" + clock + "Z";
}

class SnapshotProcess : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* path : {"/opt/homebrew/bin/codex", "/usr/local/bin/codex"}) {
            if (access(path, X_OK) == 0)
                GTEST_SKIP() << path << " would be found before the stand-in";
        }
    }

    void installStandIn(const std::vector<std::string>& scenario) {
        std::filesystem::create_directories(m_home / ".local/bin");
        std::filesystem::create_symlink(BRIMLOW_CODEX_STAND_IN, m_home / ".local/bin/codex");
        std::ofstream file(m_home / "scenario");
        for (const auto& line : scenario)
            file << line << '\n';
    }

    ProgramRun snapshot(std::map<std::string, std::string> env = {}) {
        env.emplace("HOME", m_home.path());
        env.emplace("TZ", "UTC");
        env.emplace("PATH", m_home / "empty-bin");
        env.emplace("BRIMLOW_STAND_IN_SCENARIO", m_home / "scenario");
        return runProgram({{BRIMLOW_EXECUTABLE, "--snapshot"}, env, {"CODEX_HOME"}, ""});
    }

    TempDir m_home;
};

TEST_F(SnapshotProcess, PrintsLocalFiguresThenLiveWindowsExactly) {
    m_home.write(
        ".codex/sessions/2026/01/01/rollout-a.jsonl",
        R"({"timestamp":")" + todayUtc("01:00:00.500") +
            R"(","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":1000,"output_tokens":234}}}})"
            "\n"
            R"({"timestamp":"2020-01-01T00:00:00Z","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":5,"output_tokens":5}}}})"
            "\n");
    m_home.write(
        ".claude/projects/-home-p/s.jsonl",
        R"({"timestamp":")" + todayUtc("02:00:00") +
            R"(","message":{"id":"m1","usage":{"input_tokens":10,"output_tokens":20,"cache_read_input_tokens":300,"cache_creation_input_tokens":4000}}})"
            "\n");
    // Claude Code's other default place; a message logged in both counts once.
    m_home.write(
        ".config/claude/projects/-home-q/t.jsonl",
        R"({"timestamp":")" + todayUtc("02:00:00") +
            R"(","message":{"id":"m1","usage":{"input_tokens":10,"output_tokens":20,"cache_read_input_tokens":300,"cache_creation_input_tokens":4000}}})"
            "\n"
            R"({"timestamp":")" +
            todayUtc("02:30:00") +
            R"(","message":{"id":"m2","usage":{"input_tokens":1,"output_tokens":2}}})"
            "\n");
    // Another CODEX_HOME or CLAUDE_CONFIG_DIR must not move where the
    // snapshot reads.
    m_home.write(
        "elsewhere/sessions/x.jsonl",
        R"({"timestamp":")" + todayUtc("03:00:00") +
            R"(","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":9,"output_tokens":9}}}})"
            "\n");
    installStandIn({
        "read",
        R"(send {"method":"codex/event","params":{}})",
        R"(send {"id":0,"result":{}})",
        "read",
        "read",
        R"(send {"id":1,"result":{"rateLimits":{"primary":{"usedPercent":42,"windowDurationMins":300,"resetsAt":1760000000},"secondary":{"usedPercent":17.25,"windowDurationMins":10080},"planType":"plus"}}})",
        "hang",
    });

    auto run = snapshot(
        {{"CODEX_HOME", m_home / "elsewhere"}, {"CLAUDE_CONFIG_DIR", m_home / "elsewhere"}});
    EXPECT_EQ(run.out, "Codex: 2 usage records; today 1234 tokens\n"
                       "Claude: 2 usage records; today 4333 tokens\n"
                       "Codex 5시간: 42.0% used\n"
                       "Codex 주간: 17.25% used\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitStatus, 0);
}

TEST_F(SnapshotProcess, QueryFailuresPrintTheirTextAndStillSucceed) {
    installStandIn({"read", R"(send {"id":0,"error":{"message":"not logged in"}})", "hang"});
    auto refused = snapshot();
    EXPECT_EQ(refused.out, "Codex: 0 usage records; today 0 tokens\n"
                           "Claude: 0 usage records; today 0 tokens\n"
                           "Codex 로그인 또는 한도 조회 실패\n");
    EXPECT_EQ(refused.err, "");
    EXPECT_EQ(refused.exitStatus, 0);
}

// Runs only where the real Codex CLI is installed. With a fresh home it is
// not logged in, which the query must report as a refusal.
TEST(SnapshotAgainstRealCodex, NotLoggedInIsReportedAsARefusal) {
    std::string found;
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(':', start);
        std::string dir = path.substr(start, end == std::string::npos ? end : end - start);
        if (!dir.empty() && access((dir + "/codex").c_str(), X_OK) == 0) {
            found = dir + "/codex";
            break;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (found.empty())
        GTEST_SKIP() << "the Codex CLI is not installed";
    TempDir home;
    auto run = runProgram({{BRIMLOW_EXECUTABLE, "--snapshot"},
                           {{"HOME", home.path()}},
                           {"CODEX_HOME", "OPENAI_API_KEY"},
                           ""});
    ASSERT_FALSE(run.out.empty());
    std::string last = run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1);
    EXPECT_EQ(last, "Codex 로그인 또는 한도 조회 실패\n") << run.out;
    EXPECT_EQ(run.exitStatus, 0);
}

} // namespace
} // namespace brimlow
