// Claude Code's settings file and Brimlow's backup of the status line, from
// the fuzzer, through connecting and disconnecting the bridge in a private
// home. Each input is tried twice: as the settings file (connect, connect
// again, disconnect), and as the backup that a disconnect restores from.
#include "base/files.h"
#include "base/json_depth.h"
#include "claude/bridge.h"
#include "claude/paths.h"
#include "fuzz_support.h"
#include "test_support/fake_environment.h"

#include <filesystem>

namespace brimlow {
namespace {

using fuzz::require;
using nlohmann::json;

constexpr const char* kExecutable = "/opt/tools/brimlow";
constexpr const char* kInstalled =
    R"({"model":"opus","statusLine":{"command":"'/opt/tools/brimlow' --claude-statusline","type":"command"}})";

struct Home {
    Home() {
        const std::string& scratch = fuzz::scratchDirectory();
        env.set("HOME", scratch + "/home");
        env.set("CLAUDE_CONFIG_DIR", scratch + "/claude");
        env.set("XDG_DATA_HOME", scratch + "/data");
        settings = claudeSettingsPath(env);
        backup = statuslineBackupPath(env);
        std::filesystem::create_directories(claudeConfigDirectory(env));
        std::filesystem::create_directories(supportDirectory(env));
    }

    void clear() const {
        std::filesystem::remove(settings);
        std::filesystem::remove(backup);
    }

    std::string read(const std::string& path) const {
        auto text = readWholeFile(path);
        require(text.ok(), "the file is there");
        return text.value();
    }

    // Only the two files, never a temporary one left behind.
    void checkNoLeftovers() const {
        for (const auto& directory : {claudeConfigDirectory(env), supportDirectory(env)}) {
            for (const auto& entry : std::filesystem::directory_iterator(directory)) {
                require(entry.path() == settings || entry.path() == backup,
                        "no temporary file is left behind");
            }
        }
    }

    FakeEnvironment env;
    std::string settings;
    std::string backup;
};

// What the bridge reads as a document: an object or an array, nested no
// deeper than the readers take.
std::optional<json> document(std::string_view text) {
    if (!jsonDepthWithin(text))
        return std::nullopt;
    json parsed = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_object() || parsed.is_array())
        return parsed;
    return std::nullopt;
}

json without(json object, const char* key) {
    object.erase(key);
    return object;
}

void checkRefused(const Result<void>& result, const std::string& path) {
    require(!result.ok(), "an unreadable document is refused");
    const std::string& message = result.error().message();
    require(message.starts_with(path + ": "), "the error names the file");
    require(message.find('\n') == std::string::npos, "the error is one line");
}

void asSettings(const Home& home, std::string_view input) {
    home.clear();
    fuzz::writeFile(home.settings, input);
    auto parsed = document(input);
    auto connected = connectClaude(home.env, kExecutable);
    home.checkNoLeftovers();
    if (!parsed) {
        checkRefused(connected, home.settings);
        require(home.read(home.settings) == input, "a refused file is left as it was");
        require(!std::filesystem::exists(home.backup), "a refusal writes no backup");
        require(!claudeBridgeInstalled(home.env), "a broken file is not installed");
        require(!disconnectClaude(home.env).ok(), "nor can it be disconnected");
        require(home.read(home.settings) == input, "a refused file is left as it was");
        return;
    }
    require(connected.ok(), "a document can be connected");

    json before = parsed->is_object() ? *parsed : json::object();
    json previous = before.contains("statusLine") ? before["statusLine"] : json();
    if (isBridgeStatusLine(previous)) {
        require(home.read(home.settings) == input, "an installed bridge is left as it was");
        require(!std::filesystem::exists(home.backup), "an installed bridge writes no backup");
        return;
    }

    std::string installed = home.read(home.settings);
    json after = json::parse(installed, nullptr, /*allow_exceptions=*/false);
    require(after.is_object(), "the rewritten file is an object");
    require(without(after, "statusLine") == without(before, "statusLine"),
            "every other member keeps its value");
    const json& statusLine = after["statusLine"];
    require(isBridgeStatusLine(statusLine), "the status line is the bridge");
    require(statusLine["command"] == bridgeCommandLine(kExecutable), "the command is ours");
    require(statusLine["type"] == "command", "the type is a command");
    if (previous.is_object()) {
        require(without(without(statusLine, "command"), "type") ==
                    without(without(previous, "command"), "type"),
                "the status line's other members stay");
    }
    require(claudeBridgeInstalled(home.env), "the bridge counts as installed");

    std::string backup = home.read(home.backup);
    require(connectClaude(home.env, "/elsewhere/brimlow").ok(), "connecting again succeeds");
    require(home.read(home.settings) == installed && home.read(home.backup) == backup,
            "connecting again changes nothing");

    require(disconnectClaude(home.env).ok(), "disconnecting succeeds");
    home.checkNoLeftovers();
    json restored = json::parse(home.read(home.settings), nullptr, /*allow_exceptions=*/false);
    // A status line that is not an object counts as none and is not kept.
    json expected = previous.is_object() ? before : without(before, "statusLine");
    require(restored == expected, "disconnecting restores the status line exactly");
    require(!claudeBridgeInstalled(home.env), "the bridge is gone");
}

void asBackup(const Home& home, std::string_view input) {
    home.clear();
    fuzz::writeFile(home.settings, kInstalled);
    fuzz::writeFile(home.backup, input);
    auto parsed = document(input);
    auto disconnected = disconnectClaude(home.env);
    home.checkNoLeftovers();
    if (!parsed) {
        checkRefused(disconnected, home.backup);
        require(home.read(home.settings) == kInstalled, "a broken backup changes nothing");
        return;
    }
    require(disconnected.ok(), "a document backup is restored");
    json backup = parsed->is_object() ? *parsed : json::object();
    json expected = {{"model", "opus"}};
    if (backup.contains("statusLine"))
        expected["statusLine"] = backup["statusLine"];
    json restored = json::parse(home.read(home.settings), nullptr, /*allow_exceptions=*/false);
    require(restored == expected, "the backup's status line, and only it, comes back");
}

} // namespace
} // namespace brimlow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const brimlow::Home home;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    brimlow::asSettings(home, input);
    brimlow::asBackup(home, input);
    return 0;
}
