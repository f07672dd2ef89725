#include "base/children.h"
#include "base/process.h"
#include "codex/app_server.h"
#include "codex/discovery.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

const Error kRejected{"Codex 로그인 또는 한도 조회 실패", 2};
const Error kNoAnswer{"Codex 응답 시간 초과", 3};

const char* kInitReply = R"(send {"id":0,"result":{"userAgent":"stand-in"}})";
const char* kLimitsReply =
    R"(send {"id":1,"result":{"rateLimits":{"planType":"plus","primary":{"usedPercent":42.5}}}})";
const json kLimits = {{"planType", "plus"}, {"primary", {{"usedPercent", 42.5}}}};

// Runs the query against the stand-in server and checks afterwards that the
// child is gone (terminated and reaped) and that no descriptor was left open.
class AppServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("brimlow-codex-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_fdsBefore = test_support::openFdCount();
    }

    void TearDown() override {
        EXPECT_EQ(test_support::childrenLeftAfter(), std::vector<std::string>{});
        EXPECT_EQ(test_support::openFdCount(), m_fdsBefore);
        fs::remove_all(m_dir);
    }

    std::vector<std::string> standInEnvironment() const {
        return {"BRIMLOW_STAND_IN_SCENARIO=" + (m_dir / "scenario").string(),
                "BRIMLOW_STAND_IN_RECORD=" + (m_dir / "record").string()};
    }

    Result<json> query(const std::vector<std::string>& scenario,
                       CodexQueryOptions options = {.timeout = 5000ms, .pollInterval = 50ms},
                       std::optional<std::vector<std::string>> environment = std::nullopt) {
        std::ofstream file(m_dir / "scenario");
        for (const auto& line : scenario)
            file << line << '\n';
        file.close();
        auto start = Clock::now();
        auto result = queryCodexAppServer(BRIMLOW_CODEX_STAND_IN,
                                          environment.value_or(standInEnvironment()), options);
        m_elapsed = Clock::now() - start;
        return result;
    }

    std::vector<std::string> recorded() const {
        std::ifstream file(m_dir / "record");
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            lines.push_back(line);
        return lines;
    }

    fs::path m_dir;
    Clock::duration m_elapsed{};
    int m_fdsBefore = 0;
};

TEST_F(AppServerTest, HandshakeIsSentInOrderAsCompactLines) {
    auto result =
        query({"read", "sleep 150", "quiet?", kInitReply, "read", "read", kLimitsReply, "hang"});
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_EQ(result.value(), kLimits);

    auto lines = recorded();
    ASSERT_EQ(lines.size(), 4u);
    // Nothing follows the initialize request until its reply has been sent.
    EXPECT_EQ(lines[1], "quiet");
    lines.erase(lines.begin() + 1);
    const std::vector<json> expected{
        {{"id", 0},
         {"method", "initialize"},
         {"params",
          {{"clientInfo", {{"name", "brimlow"}, {"title", "Brimlow"}, {"version", "1.0.0"}}}}}},
        {{"method", "initialized"}, {"params", json::object()}},
        {{"id", 1}, {"method", "account/rateLimits/read"}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        json parsed = json::parse(lines[i], nullptr, false);
        EXPECT_EQ(parsed, expected[i]) << lines[i];
        EXPECT_EQ(lines[i], parsed.dump()) << "not compact";
    }
}

TEST_F(AppServerTest, RepliesAreFoundAmongNoiseInPiecesAndTogether) {
    const std::vector<std::vector<std::string>> scenarios{
        // Log lines and notifications before each reply.
        {"read", "send-raw warming up\\n", R"(send {"method":"configWarning","params":{}})",
         kInitReply, "read", "read", R"(send {"method":"remoteControl/status/changed"})",
         R"(send {"id":"1","result":{}})", kLimitsReply, "hang"},
        // Each reply in several writes with pauses.
        {"read", R"(send-raw {"id":0,)", "sleep 60", R"(send-raw "result":{}})", "sleep 60",
         "send-raw \\n", "read", "read", R"(send-raw {"id":1,"result":{"rateLimits":)", "sleep 60",
         R"(send {"planType":"plus","primary":{"usedPercent":42.5}}}})", "hang"},
        // Both replies in one write, before the rate limits were even asked for.
        {"read",
         R"(send {"id":0,"result":{}}\n{"id":1,"result":{"rateLimits":{"planType":"plus","primary":{"usedPercent":42.5}}}})",
         "read", "read", "hang"},
    };
    for (const auto& scenario : scenarios) {
        auto result = query(scenario);
        ASSERT_TRUE(result.ok()) << result.error().message << " in scenario " << scenario[1];
        EXPECT_EQ(result.value(), kLimits) << scenario[1];
    }
}

TEST_F(AppServerTest, ServerErrorIsALoginOrQuotaFailure) {
    auto result =
        query({"read", kInitReply, "read", "read", R"(send {"id":1,"error":null})", "hang"});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), kRejected);
}

TEST_F(AppServerTest, EndOfOutputWithoutAReplyFailsAtOnce) {
    // Generous deadline: each of these must end long before it.
    CodexQueryOptions options{.timeout = 15000ms, .pollInterval = 200ms};
    const std::vector<std::vector<std::string>> scenarios{
        {"read", "exit 0"},
        {"read", R"(send-raw {"id":0,"result":{}})", "exit 0"},
        {"read", R"(send-raw {"id":0,"result":{}})", "close-stdout", "hang"},
        {"read", R"(send {"id":"0","result":{}})", "exit 1"},
    };
    for (const auto& scenario : scenarios) {
        auto result = query(scenario, options);
        ASSERT_FALSE(result.ok()) << scenario[1];
        EXPECT_EQ(result.error(), kNoAnswer) << scenario[1];
        EXPECT_LT(m_elapsed, 2s) << scenario[1];
    }
}

TEST_F(AppServerTest, SilentServerFailsAtTheDeadline) {
    CodexQueryOptions options{.timeout = 400ms, .pollInterval = 50ms};
    for (const auto& scenario : std::vector<std::vector<std::string>>{
             {"read", "hang"},
             {"read", R"(send-raw {"id":0,"result":{}})", "hang"},
             // The deadline covers both waits together.
             {"read", "sleep 250", kInitReply, "read", "read", "sleep 250", kLimitsReply, "hang"},
         }) {
        auto result = query(scenario, options);
        ASSERT_FALSE(result.ok()) << scenario.back();
        EXPECT_EQ(result.error(), kNoAnswer);
        EXPECT_GE(m_elapsed, 400ms);
        EXPECT_LT(m_elapsed, 1500ms);
    }
}

TEST_F(AppServerTest, ServerThatStopsReadingGivesTheWriteError) {
    // With SIGPIPE at its default action a delivered signal would end the run.
    ASSERT_EQ(signal(SIGPIPE, SIG_DFL), SIG_DFL);
    auto result = query({"read", "close-stdin", kInitReply, "hang"});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), (Error{"Broken pipe", EPIPE}));
}

TEST_F(AppServerTest, StartFailureIsThePlatformError) {
    auto result = queryCodexAppServer((m_dir / "missing").string(), {});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), (Error{"No such file or directory", ENOENT}));
}

TEST_F(AppServerTest, ChildGetsOurEnvironmentWithItsDirectoryFirstOnPath) {
    std::string executable = BRIMLOW_CODEX_STAND_IN;
    auto environment = codexChildEnvironment(standInEnvironment(), executable, "/own/bin:/more");
    ASSERT_TRUE(query({"record-env PATH", "read", kInitReply, "read", "read", kLimitsReply, "hang"},
                      {}, environment)
                    .ok());
    EXPECT_EQ(recorded().at(0),
              "PATH=" + fs::path(executable).parent_path().string() +
                  ":/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/own/bin:/more");
}

TEST(CodexChildEnvironment, ReplacesPathAndKeepsTheRest) {
    EXPECT_EQ(
        codexChildEnvironment({"A=1", "PATH=/x", "B=2=3", "PATH=/dup"}, "/opt/tools//codex",
                              std::string("/x")),
        (std::vector<std::string>{
            "A=1", "B=2=3", "PATH=/opt/tools:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/x"}));
    // Without a PATH of our own the list still ends in a colon.
    EXPECT_EQ(codexChildEnvironment({}, "/codex", std::nullopt),
              (std::vector<std::string>{"PATH=/:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:"}));
}

TEST(CodexSnapshot, PrefersTheCodexLimitThenTheGeneralOneThenNothing) {
    const json codex = {{"planType", "pro"}};
    const json general = {{"planType", "plus"}};
    struct Case {
        json result;
        json expected;
    };
    const std::vector<Case> cases{
        {{{"rateLimitsByLimitId", {{"codex", codex}}}, {"rateLimits", general}}, codex},
        {{{"rateLimitsByLimitId", {{"other", codex}}}, {"rateLimits", general}}, general},
        {{{"rateLimitsByLimitId", {{"codex", "pro"}}}, {"rateLimits", general}}, general},
        {{{"rateLimitsByLimitId", json::array({codex})}, {"rateLimits", general}}, general},
        {{{"rateLimitsByLimitId", {{"other", codex}}}}, json::object()},
        {{{"rateLimits", "plus"}}, json::object()},
        {json::object(), json::object()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(codexSnapshot(c.result), c.expected) << c.result.dump();
}

TEST(FetchCodexQuota, NoExecutableIsReportedWithoutStartingAnything) {
    FakeEnvironment env{{{"HOME", "/nonexistent-home"}, {"PATH", ""}}};
    if (auto found = codexExecutable(env))
        GTEST_SKIP() << "this machine has " << *found << " in a fixed place";
    auto result = fetchCodexQuota(env);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), (Error{"Codex CLI를 찾을 수 없습니다", 1}));
}

} // namespace
} // namespace brimlow
