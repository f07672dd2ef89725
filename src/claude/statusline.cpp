#include "claude/statusline.h"

#include "base/fd_io.h"
#include "base/files.h"
#include "base/json_depth.h"
#include "base/process.h"
#include "claude/bridge.h"
#include "claude/json_file.h"
#include "claude/paths.h"
#include "claude/quota_history.h"
#include "claude/quota_snapshot.h"

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

// Claude Code starts this mode on every redraw, so the input is handed over
// the cheap way when it can be: written whole into a pipe that holds all of
// it, whose read end then becomes our standard input for the child to
// inherit. False when the pipe can't hold it; our standard input is
// unchanged then.
bool preloadStandardInput(const std::string& input) {
    auto pipe = makePipe();
    if (!pipe.ok())
        return false;
    int capacity = fcntl(pipe.value().writeEnd.get(), F_GETPIPE_SZ);
    if (capacity < 0 || std::size_t(capacity) < input.size()) {
        // Grows up to the system's limit for pipes (usually 1 MiB).
        int grown = fcntl(pipe.value().writeEnd.get(), F_SETPIPE_SZ, int(input.size()));
        if (grown < 0 || std::size_t(grown) < input.size())
            return false;
    }
    return writeAll(pipe.value().writeEnd.get(), input).ok() &&
           pipe.value().writeEnd.close().ok() &&
           dup2(pipe.value().readEnd.get(), STDIN_FILENO) >= 0;
}

// The previous command runs under /bin/sh exactly as written, as a child:
// whatever it does to its shell (exec, its own EXIT trap, a signal) decides
// only the child's status, never ours, and the shell's messages read as
// they would without us. Its output goes straight to ours, so Claude Code
// receives exactly what it prints.
void runPreviousCommand(const std::string& command, const std::string& input) {
    bool preloaded = preloadStandardInput(input);
    SpawnRequest request{"/bin/sh",
                         {"-c", command},
                         currentEnvironment(),
                         preloaded ? StreamMode::Inherit : StreamMode::Pipe,
                         StreamMode::Inherit,
                         StreamMode::Inherit};
    auto child = spawnProcess(request);
    if (!child.ok())
        return;
    if (!preloaded) {
        // Fed while it runs. A command that exits without reading its input
        // makes this write fail with EPIPE; it still gets waited for.
        (void)writeAll(child.value().input().get(), input);
        (void)child.value().input().close();
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

void runClaudeStatusline(const Environment& env, Time now, std::string_view defaultLine) {
    std::string input = readAll(STDIN_FILENO);

    if (auto snapshot = quotaSnapshotFor(input, now)) {
        (void)createDirectories(supportDirectory(env));
        ProviderUsage before, after;
        if (auto previous = readWholeFile(quotaSnapshotPath(env)); previous.ok())
            applyClaudeQuotaText(before, previous.value());
        // Rewritten on every redraw: atomic, but not worth an fsync.
        (void)writeFileAtomic(quotaSnapshotPath(env), *snapshot, Durability::Unsynced);
        applyClaudeQuotaText(after, *snapshot);
        (void)appendQuotaHistory(quotaHistoryPath(env),
                                 quotaHistoryLines(before, after.quotas, now));
    }

    auto command = previousCommand(env);
    if (!command) {
        std::string line = std::string(defaultLine) + "\n";
        (void)writeAll(STDOUT_FILENO, line);
        return;
    }
    runPreviousCommand(*command, input);
}

} // namespace brimlow
