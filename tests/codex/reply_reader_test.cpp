#include "base/fd_io.h"
#include "base/unique_fd.h"
#include "codex/app_server.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <thread>

namespace brimlow {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

const Error kRejected{"Codex 로그인 또는 한도 조회 실패", 2};
const Error kNoAnswer{"Codex 응답 시간 초과", 3};

// The server's side of the conversation is a pipe the test writes into.
class ReplyReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto pipe = makePipe();
        ASSERT_TRUE(pipe.ok());
        m_pipe = std::move(pipe.value());
    }

    void serverWrites(const std::string& bytes) {
        ASSERT_TRUE(writeAll(m_pipe.writeEnd.get(), bytes).ok());
    }
    void serverCloses() { m_pipe.writeEnd.reset(); }
    // Until the reader has taken everything written so far.
    void waitUntilDrained() {
        int unread = 1;
        while (ioctl(m_pipe.readEnd.get(), FIONREAD, &unread) == 0 && unread > 0)
            std::this_thread::sleep_for(1ms);
    }

    // A real clock, so that a reader that misses its reply fails the test
    // after a while instead of hanging it.
    CodexReplyReader reader(std::size_t maxLineBytes = CodexReplyReader::kMaxLineBytes) {
        return CodexReplyReader(m_pipe.readEnd.get(), m_clock.now() + 5s, m_clock, 10ms,
                                maxLineBytes);
    }

    SteadyMonotonicClock m_clock;
    Pipe m_pipe;
};

TEST_F(ReplyReaderTest, SkipsEverythingThatIsNotTheAwaitedReply) {
    serverWrites("starting up\n"
                 "\n"
                 "1\n"
                 "[{\"id\":1}]\n"
                 "{\"method\":\"configWarning\",\"params\":{}}\n"
                 "{\"id\":\"1\",\"error\":{}}\n"
                 "{\"id\":true,\"error\":{}}\n"
                 "{\"id\":1.5,\"error\":{}}\n"
                 "{\"id\":0,\"error\":{}}\n"
                 "{\"id\":1,\"result\":{\"rateLimits\":{}},\n" // broken JSON
                 "{\"id\":1.0,\"result\":{\"answer\":42}}\n"
                 "{\"id\":2,\"result\":[\"not an object\"]}\n");
    auto r = reader();
    auto reply = r.receive(1);
    ASSERT_TRUE(reply.ok()) << reply.error().message;
    EXPECT_EQ(reply.value(), json({{"answer", 42}}));
    auto empty = r.receive(2);
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty.value(), json::object());
}

TEST_F(ReplyReaderTest, AnyErrorMemberFailsEvenNull) {
    for (const char* line : {"{\"id\":1,\"error\":null}\n",
                             "{\"id\":1,\"error\":{\"code\":-32600},\"result\":{\"a\":1}}\n"}) {
        serverWrites(line);
        auto reply = reader().receive(1);
        ASSERT_FALSE(reply.ok()) << line;
        EXPECT_EQ(reply.error(), kRejected);
    }
}

TEST_F(ReplyReaderTest, PassedDeadlineWinsOverABufferedReply) {
    // The whole handshake took the allowed time; the rate-limit reply that
    // came along with it no longer counts.
    serverWrites("{\"id\":0,\"result\":{}}\n{\"id\":1,\"result\":{}}\n");
    FakeMonotonicClock clock;
    CodexReplyReader r(m_pipe.readEnd.get(), clock.now() + 15s, clock, 10ms);
    ASSERT_TRUE(r.receive(0).ok());
    clock.advance(15s);
    auto late = r.receive(1);
    ASSERT_FALSE(late.ok());
    EXPECT_EQ(late.error(), kNoAnswer);
}

TEST_F(ReplyReaderTest, OverlongLineIsDroppedAndReadingGoesOn) {
    // Limit 64 bytes: the reply with the padding outgrows it before its line
    // feed arrives and must be thrown away, not parsed.
    std::string padded = "{\"id\":1,\"result\":{\"pad\":\"" + std::string(200, 'x') + "\"}}\n";
    auto r = reader(64);
    serverWrites(padded.substr(0, 100));
    std::thread rest([&] {
        waitUntilDrained();
        serverWrites(padded.substr(100) + "{\"id\":1,\"result\":{\"short\":1}}\n");
    });
    auto reply = r.receive(1);
    rest.join();
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(reply.value(), json({{"short", 1}}));
}

} // namespace
} // namespace brimlow
