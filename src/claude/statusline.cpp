#include "claude/statusline.h"

#include "base/fd_io.h"
#include "base/files.h"
#include "base/json_depth.h"
#include "base/process.h"
#include "claude/bridge.h"
#include "claude/json_file.h"
#include "claude/paths.h"

#include <fcntl.h>
#include <unistd.h>

namespace brimlow {

using nlohmann::json;

namespace {

std::string readAll(int fd) {
    std::string input;
    while (true) {
        auto got = readSome(fd, input, 1 << 16);
        if (!got.ok() || got.value() == 0)
            return input;
    }
}

// The backup's status-line command, unless there is none to run.
std::optional<std::string> previousCommand(const Environment& env) {
    std::string path = statuslineBackupPath(env);
    auto text = readWholeFile(path);
    if (!text.ok())
        return std::nullopt;
    auto document = parseJsonDocument(text.value(), path);
    if (!document.ok() || !document.value().is_object())
        return std::nullopt;
    auto statusLine = document.value().find("statusLine");
    if (statusLine == document.value().end() || !statusLine->is_object())
        return std::nullopt;
    auto command = statusLine->find("command");
    if (command == statusLine->end() || !command->is_string())
        return std::nullopt;
    // A hand-edited backup could name the bridge itself: running it would
    // start this mode again on every redraw, without end.
    if (isBridgeStatusLine(*statusLine))
        return std::nullopt;
    return command->get<std::string>();
}

// The previous command runs under /bin/sh with exactly our input. An EXIT
// trap placed before it keeps the mode's exit status at 0 whatever the
// command returns; a trap or exec of the command's own takes precedence,
// as it would have without the bridge.
std::vector<std::string> shellArguments(const std::string& command) {
    return {"-c", "trap 'exit 0' EXIT\n" + command};
}

// Claude Code starts this mode on every redraw, so the cheap way comes
// first: the input goes into a pipe that holds all of it, the pipe becomes
// our standard input and /bin/sh replaces this process. That saves a whole
// process start per redraw. Returns only when that is not possible.
void handOverInPlace(const std::string& command, const std::string& input) {
    auto pipe = makePipe();
    if (!pipe.ok())
        return;
    int capacity = fcntl(pipe.value().writeEnd.get(), F_GETPIPE_SZ);
    if (capacity < 0 || std::size_t(capacity) < input.size()) {
        // Grows up to the system's limit for pipes (usually 1 MiB).
        int grown = fcntl(pipe.value().writeEnd.get(), F_SETPIPE_SZ, int(input.size()));
        if (grown < 0 || std::size_t(grown) < input.size())
            return;
    }
    if (!writeAll(pipe.value().writeEnd.get(), input).ok() || !pipe.value().writeEnd.close().ok() ||
        dup2(pipe.value().readEnd.get(), STDIN_FILENO) < 0)
        return;
    auto arguments = shellArguments(command);
    const char* argv[] = {"/bin/sh", arguments[0].c_str(), arguments[1].c_str(), nullptr};
    execv("/bin/sh", const_cast<char* const*>(argv));
    // /bin/sh can't be started: nothing to print, and the input is gone.
    _exit(0);
}

// For input too large for a pipe: a child, fed while it runs.
void runAsChild(const std::string& command, const std::string& input) {
    // The child writes straight to our standard output: what it prints is
    // exactly what Claude Code receives.
    SpawnRequest request{"/bin/sh",        shellArguments(command), currentEnvironment(),
                         StreamMode::Pipe, StreamMode::Inherit,     StreamMode::Inherit};
    auto child = spawnProcess(request);
    if (!child.ok())
        return;
    // A command that exits without reading its input makes this write fail
    // with EPIPE; that is not a reason to stop drawing the status line.
    bool delivered = writeAll(child.value().input().get(), input).ok();
    delivered = child.value().input().close().ok() && delivered;
    if (!delivered) {
        child.value().release(Ending::Await);
        return;
    }
    (void)child.value().wait();
}

} // namespace

std::optional<std::string> quotaSnapshotFor(std::string_view statusJson, Time now) {
    json status = parseBoundedJson(statusJson);
    if (!status.is_object())
        return std::nullopt;
    auto limits = status.find("rate_limits");
    if (limits == status.end() || !limits->is_object())
        return std::nullopt;
    json snapshot = {{"rate_limits", *limits}, {"updatedAt", toUnixSeconds(now)}};
    return serializeJson(snapshot, JsonLayout::Compact);
}

void runClaudeStatusline(const Environment& env, Time now) {
    std::string input = readAll(STDIN_FILENO);

    if (auto snapshot = quotaSnapshotFor(input, now)) {
        (void)createDirectories(supportDirectory(env));
        // Rewritten on every redraw: atomic, but not worth an fsync.
        (void)writeFileAtomic(quotaSnapshotPath(env), *snapshot, Durability::Unsynced);
    }

    auto command = previousCommand(env);
    if (!command) {
        std::string line = std::string(kDefaultStatusLine) + "\n";
        (void)writeAll(STDOUT_FILENO, line);
        return;
    }
    handOverInPlace(*command, input);
    runAsChild(*command, input);
}

} // namespace brimlow
