#include "claude/bridge.h"

#include "base/files.h"
#include "claude/json_file.h"
#include "claude/paths.h"

#include <cerrno>
#include <climits>
#include <unistd.h>
#include <vector>

namespace brimlow {

using nlohmann::json;

std::string bridgeCommandLine(const std::string& executablePath) {
    std::string quoted = "'";
    for (char c : executablePath) {
        if (c == '\'')
            quoted += "'\"'\"'";
        else
            quoted += c;
    }
    return quoted + "' " + kBridgeMarker;
}

bool isBridgeStatusLine(const json& statusLine) {
    if (!statusLine.is_object())
        return false;
    auto command = statusLine.find("command");
    return command != statusLine.end() && command->is_string() &&
           command->get_ref<const std::string&>().find(kBridgeMarker) != std::string::npos;
}

namespace {

json statusLineOf(const json& settings) {
    auto it = settings.find("statusLine");
    if (it == settings.end() || !it->is_object())
        return nullptr;
    return *it;
}

} // namespace

bool claudeBridgeInstalled(const Environment& env) {
    std::string path = claudeSettingsPath(env);
    auto text = readWholeFile(path);
    if (!text.ok())
        return false;
    auto document = parseJsonDocument(text.value(), path);
    return document.ok() && document.value().is_object() &&
           isBridgeStatusLine(statusLineOf(document.value()));
}

namespace {

constexpr int kTries = 3;

// Runs one read-compute-write attempt until it is not overtaken by another
// program's write.
template <typename Attempt>
Result<void> retryWhileChanged(Attempt attempt) {
    for (int tried = 1;; ++tried) {
        auto done = attempt();
        if (done.ok() || done.error().kind() != ErrorKind::ChangedMeanwhile || tried == kTries)
            return done;
    }
}

Result<void> connectOnce(const Environment& env, const std::string& executablePath,
                         const AfterSettingsRead& afterRead) {
    std::string settingsPath = claudeSettingsPath(env);
    json settings = json::object();
    std::optional<std::string> text;
    if (auto read = readWholeFile(settingsPath); read.ok()) {
        text = std::move(read.value());
        settings = topLevelObject(TRY(parseJsonDocument(*text, settingsPath)));
    } else if (read.error().errnoValue() != ENOENT) {
        // A settings file that exists but cannot be read would otherwise be
        // replaced by one holding nothing but the status line.
        return read.releaseError();
    }
    if (afterRead)
        afterRead();

    json previous = statusLineOf(settings);
    if (isBridgeStatusLine(previous))
        return {};

    json backup = {{"wasPresent", previous.is_object()}};
    if (previous.is_object())
        backup["statusLine"] = previous;
    TRY(writeJsonFile(statuslineBackupPath(env), backup, JsonLayout::Pretty, Durability::Synced));

    json statusLine = previous.is_object() ? previous : json::object();
    statusLine["type"] = "command";
    statusLine["command"] = bridgeCommandLine(executablePath);
    settings["statusLine"] = std::move(statusLine);
    return replaceFileIfUnchanged(settingsPath, serializeJson(settings, JsonLayout::Pretty), text,
                                  Durability::Synced);
}

Result<void> disconnectOnce(const Environment& env, const AfterSettingsRead& afterRead) {
    std::string settingsPath = claudeSettingsPath(env);
    std::string text = TRY(readWholeFile(settingsPath));
    json settings = topLevelObject(TRY(parseJsonDocument(text, settingsPath)));
    if (afterRead)
        afterRead();
    if (!isBridgeStatusLine(statusLineOf(settings)))
        return {};

    std::string backupPath = statuslineBackupPath(env);
    std::string backupText = TRY(readWholeFile(backupPath));
    json backup = topLevelObject(TRY(parseJsonDocument(backupText, backupPath)));
    if (auto saved = backup.find("statusLine"); saved != backup.end())
        settings["statusLine"] = *saved;
    else
        settings.erase("statusLine");
    return replaceFileIfUnchanged(settingsPath, serializeJson(settings, JsonLayout::Pretty), text,
                                  Durability::Synced);
}

} // namespace

Result<void> connectClaude(const Environment& env, const std::string& executablePath,
                           const AfterSettingsRead& afterRead) {
    // JSON text is UTF-8, and a path need not be: the serializer would throw
    // halfway through. Refused before anything is written.
    try {
        (void)json(executablePath).dump();
    } catch (const json::type_error&) {
        return Error{ErrorKind::Unusable, executablePath + ": the path is not UTF-8 and can't be "
                                                           "written into Claude Code's settings"};
    }
    TRY(createDirectories(supportDirectory(env)));
    TRY(createDirectories(claudeConfigDirectory(env)));
    return retryWhileChanged([&] { return connectOnce(env, executablePath, afterRead); });
}

Result<void> disconnectClaude(const Environment& env, const AfterSettingsRead& afterRead) {
    return retryWhileChanged([&] { return disconnectOnce(env, afterRead); });
}

Result<std::string> currentExecutablePath() {
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length < 0)
        return Error::fromErrno(errno, "/proc/self/exe");
    return std::string(buffer.data(), size_t(length));
}

} // namespace brimlow
