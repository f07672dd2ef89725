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

Result<void> connectClaude(const Environment& env, const std::string& executablePath) {
    // JSON text is UTF-8, and a path need not be: the serializer would throw
    // halfway through. Refused before anything is written.
    try {
        (void)json(executablePath).dump();
    } catch (const json::type_error&) {
        return Error{executablePath + ": the path is not UTF-8 and can't be written into "
                                      "Claude Code's settings",
                     EILSEQ};
    }
    TRY(createDirectories(supportDirectory(env)));
    TRY(createDirectories(claudeConfigDirectory(env)));

    std::string settingsPath = claudeSettingsPath(env);
    json settings = json::object();
    auto text = readWholeFile(settingsPath);
    if (text.ok())
        settings = topLevelObject(TRY(parseJsonDocument(text.value(), settingsPath)));
    else if (text.error().code != ENOENT)
        // A settings file that exists but cannot be read would otherwise be
        // replaced by one holding nothing but the status line.
        return text.releaseError();

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
    return writeJsonFile(settingsPath, settings, JsonLayout::Pretty, Durability::Synced);
}

Result<void> disconnectClaude(const Environment& env) {
    std::string settingsPath = claudeSettingsPath(env);
    std::string text = TRY(readWholeFile(settingsPath));
    json settings = topLevelObject(TRY(parseJsonDocument(text, settingsPath)));
    if (!isBridgeStatusLine(statusLineOf(settings)))
        return {};

    std::string backupPath = statuslineBackupPath(env);
    std::string backupText = TRY(readWholeFile(backupPath));
    json backup = topLevelObject(TRY(parseJsonDocument(backupText, backupPath)));
    if (auto saved = backup.find("statusLine"); saved != backup.end())
        settings["statusLine"] = *saved;
    else
        settings.erase("statusLine");
    return writeJsonFile(settingsPath, settings, JsonLayout::Pretty, Durability::Synced);
}

Result<std::string> currentExecutablePath() {
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length < 0)
        return Error::fromErrno(errno, "/proc/self/exe");
    return std::string(buffer.data(), size_t(length));
}

} // namespace brimlow
