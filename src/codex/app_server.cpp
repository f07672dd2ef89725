#include "codex/app_server.h"

#include "base/fd_io.h"
#include "base/files.h"
#include "base/json_depth.h"
#include "base/json_number.h"
#include "base/process.h"
#include "base/version.h"
#include "codex/discovery.h"

#include <poll.h>

namespace brimlow {

namespace {

using nlohmann::json;

constexpr std::size_t kReadChunk = 64 * 1024;

json initializeRequest() {
    return {{"id", 0},
            {"method", "initialize"},
            {"params",
             {{"clientInfo", {{"name", "brimlow"}, {"title", "Brimlow"}, {"version", kVersion}}}}}};
}

json initializedNotification() {
    return {{"method", "initialized"}, {"params", json::object()}};
}

json rateLimitsRequest() {
    return {{"id", 1}, {"method", "account/rateLimits/read"}};
}

// One compact line per message, handed to the pipe in one write so the
// server never sees half a message followed by a pause.
Result<void> sendMessage(int fd, const json& message) {
    return writeAll(fd, message.dump() + '\n');
}

} // namespace

Error codexQueryError(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::NotFound:
        return Error{kind, "no Codex executable found"};
    case ErrorKind::Rejected:
        return Error{kind, "the app server refused the query"};
    default:
        return Error{ErrorKind::NoAnswer, "the app server did not answer in time"};
    }
}

Result<CodexLimits> fetchCodexQuota(const Environment& env, const CodexQueryOptions& options) {
    auto executable = codexExecutable(env);
    if (!executable)
        return codexQueryError(ErrorKind::NotFound);
    json snapshot = TRY(queryCodexAppServer(
        *executable, codexChildEnvironment(currentEnvironment(), *executable, env.get("PATH")),
        options));
    return parseCodexLimits(snapshot);
}

Result<json> queryCodexAppServer(const std::string& executable,
                                 const std::vector<std::string>& environment,
                                 const CodexQueryOptions& options) {
    SpawnRequest request{
        .executable = executable,
        .arguments = {"app-server", "--stdio"},
        .environment = environment,
        .input = StreamMode::Pipe,
        .output = StreamMode::Pipe,
        .errors = StreamMode::Null,
    };
    // From here on every return lets go of `child` with Ending::Terminate:
    // its input is closed, it is told to stop if still running and it is
    // reaped in the background, so no path waits for it or leaves a zombie.
    ChildProcess child = TRY(spawnProcess(request));
    SteadyMonotonicClock clock;
    CodexReplyReader reader(child.output().get(), clock.now() + options.timeout, clock,
                            options.pollInterval);

    TRY(sendMessage(child.input().get(), initializeRequest()));
    if (auto reply = reader.receive(0); !reply)
        return reply.releaseError();
    TRY(sendMessage(child.input().get(), initializedNotification()));
    TRY(sendMessage(child.input().get(), rateLimitsRequest()));
    json result = TRY(reader.receive(1));
    return codexSnapshot(result);
}

std::vector<std::string> codexChildEnvironment(std::vector<std::string> entries,
                                               const std::string& executable,
                                               const std::optional<std::string>& ownPath) {
    std::erase_if(entries, [](const std::string& entry) { return entry.starts_with("PATH="); });
    entries.push_back("PATH=" + directoryOf(executable) +
                      ":/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:" + ownPath.value_or(""));
    return entries;
}

json codexSnapshot(const json& result) {
    if (auto byId = result.find("rateLimitsByLimitId"); byId != result.end() && byId->is_object()) {
        if (auto codex = byId->find("codex"); codex != byId->end() && codex->is_object())
            return *codex;
    }
    if (auto general = result.find("rateLimits"); general != result.end() && general->is_object())
        return *general;
    return json::object();
}

CodexReplyReader::CodexReplyReader(int fd, MonotonicTime deadline, const MonotonicClock& clock,
                                   std::chrono::milliseconds pollInterval, std::size_t maxLineBytes)
    : m_fd(fd), m_deadline(deadline), m_clock(clock), m_pollInterval(pollInterval),
      m_maxLineBytes(maxLineBytes) {}

std::optional<std::string> CodexReplyReader::takeLine() {
    auto newline = m_buffer.find('\n', m_scanned);
    if (newline == std::string::npos) {
        m_scanned = m_buffer.size();
        if (m_buffer.size() > m_maxLineBytes) {
            m_buffer.clear();
            m_scanned = 0;
            m_droppingLine = true;
        }
        return std::nullopt;
    }
    std::string line = m_buffer.substr(0, newline);
    m_buffer.erase(0, newline + 1);
    m_scanned = 0;
    if (m_droppingLine) {
        // The tail of an overlong line: an empty line, which parses as nothing.
        m_droppingLine = false;
        line.clear();
    }
    return line;
}

Result<json> CodexReplyReader::receive(std::int64_t id) {
    if (deadlinePassed())
        return codexQueryError(ErrorKind::NoAnswer);
    for (;;) {
        while (auto line = takeLine()) {
            // Not JSON (or nested too deep to be taken), not an object, or
            // not our reply: the server's notifications and log lines are
            // skipped silently.
            json reply = parseBoundedJson(*line);
            if (!reply.is_object())
                continue;
            auto replyId = reply.find("id");
            if (replyId == reply.end() || integralNumber(*replyId) != id)
                continue;
            if (reply.contains("error"))
                return codexQueryError(ErrorKind::Rejected);
            auto result = reply.find("result");
            if (result != reply.end() && result->is_object())
                return std::move(*result);
            return json::object();
        }

        pollfd entry{m_fd, POLLIN, 0};
        // A failed wait (EINTR) counts as a timed-out one.
        if (poll(&entry, 1, int(m_pollInterval.count())) > 0) {
            // Readable with nothing to read is end of file: the server has
            // closed its output, usually by exiting, and will never answer.
            std::size_t got = TRY(readSome(m_fd, m_buffer, kReadChunk));
            if (got == 0)
                return codexQueryError(ErrorKind::NoAnswer);
        }
        if (deadlinePassed())
            return codexQueryError(ErrorKind::NoAnswer);
    }
}

} // namespace brimlow
