// The app server's output from the fuzzer, delivered in pieces, read by the
// reply reader as the query reads it: the reply to request 0, then to 1.
//
// The first four bytes steer the delivery, the rest is the server's output:
//   0  bit 0: pieces of up to 32 KiB instead; bit 1: the clock ticks a
//      millisecond per reading, so the deadline can pass mid-stream;
//      bit 2: a short line limit
//   1  the short line limit, 16 to 1036 bytes
//   2  the size of odd pieces, 1 to 256 bytes
//   3  the size of even pieces, 1 to 256 bytes
// Pieces go through a sequenced-packet socket, so each read sees exactly one
// piece and a run can be replayed exactly.
#include "codex/app_server.h"
#include "codex/rate_limits.h"
#include "fuzz_support.h"

#include <algorithm>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace brimlow {
namespace {

using fuzz::require;

// Moves on by `step` each time it is read; a step of 0 stands still.
class SteppingClock final : public MonotonicClock {
public:
    explicit SteppingClock(std::chrono::milliseconds step) : m_step(step) {}
    MonotonicTime now() const override { return m_now += m_step; }

private:
    std::chrono::milliseconds m_step;
    mutable MonotonicTime m_now{};
};

void checkReply(const Result<nlohmann::json>& reply) {
    if (reply.ok()) {
        require(reply.value().is_object(), "a result is an object");
        for (auto style : {KeyStyle::Camel, KeyStyle::Snake}) {
            for (const auto& quota : parseQuotas(codexSnapshot(reply.value()), style))
                require(quota.percent >= 0 && quota.percent <= 100, "percent within 0..100");
        }
        return;
    }
    auto kind = reply.error().kind();
    require(kind == ErrorKind::Rejected || kind == ErrorKind::NoAnswer,
            "a failure is a rejection or no answer");
    require(!reply.error().message().empty(), "a failure has a message");
}

void fuzzOne(std::string_view input) {
    if (input.size() < 4)
        return;
    auto flags = std::uint8_t(input[0]);
    std::size_t lineLimit =
        flags & 4 ? 16 + std::size_t(std::uint8_t(input[1])) * 4 : CodexReplyReader::kMaxLineBytes;
    std::size_t pieces[2] = {std::size_t(std::uint8_t(input[2])) + 1,
                             std::size_t(std::uint8_t(input[3])) + 1};
    std::string_view output = input.substr(4);
    // A piece must fit one read of the reader and the socket's buffer.
    if (flags & 1)
        pieces[0] = pieces[1] = std::clamp<std::size_t>(output.size(), 1, 32 * 1024);

    int ends[2];
    require(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) == 0, "socketpair");
    // The writer stops early when the reader has its answers and closes its
    // end; MSG_NOSIGNAL turns that into an error instead of SIGPIPE.
    std::thread writer([&, writeEnd = ends[1]] {
        std::string_view rest = output;
        for (std::size_t n = 0; !rest.empty(); ++n) {
            std::size_t piece = std::min(pieces[n % 2], rest.size());
            if (::send(writeEnd, rest.data(), piece, MSG_NOSIGNAL) != ssize_t(piece))
                break;
            rest.remove_prefix(piece);
        }
        ::close(writeEnd);
    });

    SteppingClock clock(std::chrono::milliseconds(flags & 2 ? 1 : 0));
    CodexReplyReader reader(ends[0], clock.now() + std::chrono::seconds(1), clock,
                            std::chrono::milliseconds(50), lineLimit);
    checkReply(reader.receive(0));
    checkReply(reader.receive(1));
    // Closing drops the pieces still queued, which wakes a blocked writer.
    ::close(ends[0]);
    writer.join();
}

} // namespace
} // namespace brimlow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brimlow::fuzzOne(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
