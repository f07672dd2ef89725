// Asking the Codex CLI's app server for the account's rate limits.
//
// Each query starts `codex app-server --stdio`, performs the handshake over
// newline-delimited JSON, reads the rate limits and lets the child go again;
// nothing is kept between queries.
#pragma once

#include "base/environment.h"
#include "base/monotonic_clock.h"
#include "base/result.h"
#include "codex/rate_limits.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace brimlow {

// The query's own failures: NotFound (no Codex executable on this
// machine), Rejected (the server answered with an error, e.g. not logged in)
// and NoAnswer (the deadline passed, or the server closed its output
// first). Any other kind reads as NoAnswer. Failures of the system calls
// involved come as they are, with their errno.
Error codexQueryError(ErrorKind kind);

struct CodexQueryOptions {
    // Bounds the whole exchange, counted from the start of the child.
    std::chrono::milliseconds timeout{15000};
    // One wait for output; the deadline is checked between waits.
    std::chrono::milliseconds pollInterval{200};
};

// Finds the executable, queries it and returns the Codex limit's windows
// and plan (possibly none). Blocks for at most the timeout plus one poll
// interval. HOME and PATH come from `env`; the child otherwise inherits this
// process's whole environment.
Result<CodexLimits> fetchCodexQuota(const Environment& env, const CodexQueryOptions& options = {});

// The query with the executable already chosen; `environment` is the
// child's whole environment (see codexChildEnvironment).
Result<nlohmann::json> queryCodexAppServer(const std::string& executable,
                                           const std::vector<std::string>& environment,
                                           const CodexQueryOptions& options = {});

// `entries` with PATH led by the executable's own directory and the usual
// install places: the npm-installed tool is a `#!/usr/bin/env node` script
// and must find its interpreter even when we were started with a bare PATH.
std::vector<std::string> codexChildEnvironment(std::vector<std::string> entries,
                                               const std::string& executable,
                                               const std::optional<std::string>& ownPath);

// The Codex limit's snapshot in a rate-limit result: the per-limit entry
// "codex" when there is one, else the general "rateLimits", else {}.
nlohmann::json codexSnapshot(const nlohmann::json& result);

// Reads the server's output line by line until the reply to a request shows
// up. Bytes after that reply stay buffered for the next call.
class CodexReplyReader {
public:
    // A line longer than this is dropped unread, so a runaway server cannot
    // make us buffer without bound. Real replies are a few kilobytes.
    static constexpr std::size_t kMaxLineBytes = 16 * 1024 * 1024;

    CodexReplyReader(int fd, MonotonicTime deadline, const MonotonicClock& clock,
                     std::chrono::milliseconds pollInterval,
                     std::size_t maxLineBytes = kMaxLineBytes);

    // The "result" object (or {}) of the reply whose "id" is the number `id`.
    // The deadline is tested before anything else, so a reply that is
    // already buffered does not count once the time is up.
    Result<nlohmann::json> receive(std::int64_t id);

private:
    std::optional<std::string> takeLine();
    bool deadlinePassed() const { return m_clock.now() >= m_deadline; }

    int m_fd;
    MonotonicTime m_deadline;
    const MonotonicClock& m_clock;
    std::chrono::milliseconds m_pollInterval;
    std::size_t m_maxLineBytes;
    std::string m_buffer;
    // Bytes at the front of the buffer already known to hold no line feed.
    std::size_t m_scanned = 0;
    // Set while the rest of an overlong line is being thrown away.
    bool m_droppingLine = false;
};

} // namespace brimlow
