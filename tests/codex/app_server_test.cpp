#include "base/children.h"
#include "base/fd_io.h"
#include "base/unique_fd.h"
#include "base/version.h"
#include "codex/app_server.h"
#include "test_support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <thread>

namespace brimlow {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

const Error kRejected = codexQueryError(ErrorKind::Rejected);
const Error kNoAnswer = codexQueryError(ErrorKind::NoAnswer);

const char* kInitReply = R"(send {"id":0,"result":{"userAgent":"stand-in"}})";
const char* kLimitsReply =
    R"(send {"id":1,"result":{"rateLimits":{"planType":"plus","primary":{"usedPercent":42.5}}}})";
const json kLimits = {{"planType", "plus"}, {"primary", {{"usedPercent", 42.5}}}};

// Runs the query against the stand-in server, which follows `scenario`; after
// every run the child must be gone (terminated and reaped) and no descriptor
// may be left open.
class AppServerTest : public ::testing::Test {
protected:
    Result<json> query(const std::vector<std::string>& scenario,
                       std::chrono::milliseconds timeout = 15000ms) {
        std::string text;
        for (const auto& line : scenario)
            text += line + "\n";
        dir.write("scenario", text);
        int fdsBefore = test_support::openFdCount();
        auto start = std::chrono::steady_clock::now();
        auto result = queryCodexAppServer(BRIMLOW_CODEX_STAND_IN,
                                          {"BRIMLOW_STAND_IN_SCENARIO=" + dir / "scenario",
                                           "BRIMLOW_STAND_IN_RECORD=" + dir / "record"},
                                          {.timeout = timeout, .pollInterval = 200ms});
        elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(test_support::childrenLeftAfter(), std::vector<std::string>{});
        EXPECT_EQ(test_support::openFdCount(), fdsBefore);
        return result;
    }

    TempDir dir;
    std::chrono::steady_clock::duration elapsed{};
};

TEST_F(AppServerTest, HandshakeGoesInOrderAsCompactLines) {
    auto result =
        query({"read", "sleep 150", "quiet?", kInitReply, "read", "read", kLimitsReply, "hang"});
    ASSERT_TRUE(result.ok()) << result.error().message();
    EXPECT_EQ(result.value(), kLimits);
    // "quiet": nothing follows the initialize request until its reply has been sent.
    EXPECT_EQ(
        readWholeFile(dir / "record").value(),
        R"({"id":0,"method":"initialize","params":{"clientInfo":{"name":"brimlow","title":"Brimlow","version":")" +
            std::string(kVersion) + R"("}}}
quiet
{"method":"initialized","params":{}}
{"id":1,"method":"account/rateLimits/read"}
)");
}

TEST_F(AppServerTest, EndsWithTheLimitsOrTheRightErrorInTime) {
    // With SIGPIPE at its default action a delivered signal would end the run.
    ASSERT_EQ(signal(SIGPIPE, SIG_DFL), SIG_DFL);
    // Copying or printing a value recurses per level: a reply nested deeper
    // than the readers take is passed over like any line that is not a reply.
    const std::string deep = R"(send {"id":1,"result":{"rateLimits":{"a":)" +
                             std::string(100000, '[') + std::string(100000, ']') + "}}}";
    struct Case {
        const char* name;
        std::vector<std::string> scenario;
        std::optional<Error> error; // none: the limits
        bool atDeadline = false;    // of 400 ms; otherwise long before the 15 s one
    } cases[] = {
        {"log lines, notifications, other and too deep replies before each reply",
         {"read",
          R"(send-raw warming up\n\n1\n[{"id":0}]\n{"method":"configWarning","params":{}}\n)",
          kInitReply, "read", "read",
          R"(send {"method":"x"}\n{"id":"1","result":{}}\n{"id":true,"error":{}}\n{"id":1.5,"error":{}})",
          R"(send {"id":0,"error":{}}\n{"id":1,"result":{"rateLimits":{}},)", deep,
          R"(send {"id":1.0,"result":{"rateLimits":{"planType":"plus","primary":{"usedPercent":42.5}}}})",
          "hang"}},
        {"each reply in several writes with pauses",
         {"read", R"(send-raw {"id":0,)", "sleep 60", R"(send-raw "result":{}})", "sleep 60",
          "send-raw \\n", "read", "read", R"(send-raw {"id":1,"result":{"rateLimits":)", "sleep 60",
          R"(send {"planType":"plus","primary":{"usedPercent":42.5}}}})", "hang"}},
        {"both replies in one write, before the limits were even asked for",
         {"read",
          R"(send {"id":0,"result":{}}\n{"id":1,"result":{"rateLimits":{"planType":"plus","primary":{"usedPercent":42.5}}}})",
          "read", "read", "hang"}},
        {"an error reply",
         {"read", kInitReply, "read", "read", R"(send {"id":1,"error":{}})", "hang"},
         kRejected},
        {"closes its output and lives on", {"read", "close-stdout", "hang"}, kNoAnswer},
        {"stops reading: the write error, not a signal",
         {"read", "close-stdin", kInitReply, "hang"},
         Error::fromErrno(EPIPE)},
        {"never answers", {"read", "hang"}, kNoAnswer, true},
        {"the deadline covers both waits together",
         {"read", "sleep 250", kInitReply, "read", "read", "sleep 250", kLimitsReply, "hang"},
         kNoAnswer,
         true},
    };
    for (const auto& c : cases) {
        auto result = query(c.scenario, c.atDeadline ? 400ms : 15000ms);
        if (c.error) {
            ASSERT_FALSE(result.ok()) << c.name;
            EXPECT_EQ(result.error(), *c.error) << c.name;
        } else {
            ASSERT_TRUE(result.ok()) << c.name << ": " << result.error().message();
            EXPECT_EQ(result.value(), kLimits) << c.name;
        }
        EXPECT_LT(elapsed, c.atDeadline ? 1500ms : 2000ms) << c.name;
        EXPECT_GE(elapsed, c.atDeadline ? 400ms : 0ms) << c.name;
    }
    auto missing = queryCodexAppServer(dir / "missing", {});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), Error::fromErrno(ENOENT));
}

TEST(CodexSnapshot, PrefersTheCodexLimitThenTheGeneralOneThenNothing) {
    const json codex = {{"planType", "pro"}}, general = {{"planType", "plus"}};
    const std::pair<json, json> cases[] = {
        {{{"rateLimitsByLimitId", {{"codex", codex}}}, {"rateLimits", general}}, codex},
        {{{"rateLimitsByLimitId", {{"other", codex}}}, {"rateLimits", general}}, general},
        {{{"rateLimits", "plus"}}, json::object()},
        {json::object(), json::object()},
    };
    for (const auto& [result, expected] : cases)
        EXPECT_EQ(codexSnapshot(result), expected) << result.dump();
}

// The server's side of the conversation is a pipe the test writes into.
TEST(CodexReplyReader, DropsAnOverlongLine) {
    Pipe pipe = std::move(makePipe().value());
    auto serverWrites = [&](const std::string& bytes) {
        ASSERT_TRUE(writeAll(pipe.writeEnd.get(), bytes).ok());
    };
    // Limit 64 bytes: the reply with the padding outgrows it before its line
    // feed arrives and must be thrown away, not parsed. A real clock, so that
    // a reader that misses its reply fails the test instead of hanging it.
    std::string padded = "{\"id\":1,\"result\":{\"pad\":\"" + std::string(200, 'x') + "\"}}\n";
    SteadyMonotonicClock clock;
    CodexReplyReader reader(pipe.readEnd.get(), clock.now() + 5s, clock, 10ms, 64);
    serverWrites(padded.substr(0, 100));
    std::thread rest([&] {
        // Once the reader has taken everything written so far.
        for (int unread = 1; ioctl(pipe.readEnd.get(), FIONREAD, &unread) == 0 && unread > 0;)
            std::this_thread::sleep_for(1ms);
        serverWrites(padded.substr(100) + "{\"id\":1,\"result\":{\"short\":1}}\n");
    });
    auto reply = reader.receive(1);
    rest.join();
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(reply.value(), json({{"short", 1}}));
}

} // namespace
} // namespace brimlow
