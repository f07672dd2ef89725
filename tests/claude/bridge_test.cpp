#include "base/files.h"
#include "claude/bridge.h"
#include "claude/paths.h"
#include "test_support/fake_environment.h"
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kExe = "/opt/tools/meter";

class Bridge : public ::testing::Test {
protected:
    Bridge()
        : m_env{{{"HOME", m_dir / "home"},
                 {"CLAUDE_CONFIG_DIR", m_dir / "claude"},
                 {"XDG_DATA_HOME", m_dir / "data"}}} {}

    std::string settingsPath() const { return claudeSettingsPath(m_env); }
    std::string backupPath() const { return statuslineBackupPath(m_env); }
    json settings() const { return json::parse(readWholeFile(settingsPath()).value()); }
    json backup() const { return json::parse(readWholeFile(backupPath()).value()); }
    void writeSettings(const std::string& text) const { m_dir.write("claude/settings.json", text); }

    TempDir m_dir;
    FakeEnvironment m_env;
};

// No file, and status lines that are not objects, count as nothing there.
TEST_F(Bridge, InstallsIntoNothingAndRemovesAgain) {
    for (const char* text : {"", R"({"statusLine":"echo hi"})", R"({"statusLine":null})"}) {
        if (*text)
            writeSettings(text);
        EXPECT_FALSE(claudeBridgeInstalled(m_env));
        ASSERT_TRUE(connectClaude(m_env, kExe).ok());
        // Pretty, with sorted keys, as people keep the file.
        EXPECT_EQ(readWholeFile(settingsPath()).value(), R"({
  "statusLine": {
    "command": "'/opt/tools/meter' --claude-statusline",
    "type": "command"
  }
}
)") << text;
        EXPECT_EQ(backup(), json::parse(R"({"wasPresent":false})"));
        EXPECT_TRUE(claudeBridgeInstalled(m_env));
        ASSERT_TRUE(disconnectClaude(m_env).ok());
        EXPECT_EQ(settings(), json::object());
        EXPECT_FALSE(claudeBridgeInstalled(m_env));
        EXPECT_TRUE(fs::exists(backupPath())) << "the backup is kept";
        fs::remove(backupPath());
    }
}

TEST_F(Bridge, KeepsTheUsersStatusLineAndEveryOtherMember) {
    const char* original = R"({
        "statusLine": {"type": "command", "command": "~/bin/line.sh", "padding": 2},
        "model": "opus", "hooks": {"Stop": [{"matcher": "", "hooks": []}]},
        "flags": [true, false, null], "big": 18446744073709551615, "neg": -9223372036854775808,
        "ratio": 0.1, "name": "한글 ✅ \u0001", "empty": {}})";
    writeSettings(original);
    ASSERT_TRUE(connectClaude(m_env, kExe).ok());

    json expected = json::parse(original);
    expected["statusLine"]["command"] = "'/opt/tools/meter' --claude-statusline";
    EXPECT_EQ(settings(), expected);
    EXPECT_EQ(backup(),
              (json{{"statusLine", json::parse(original)["statusLine"]}, {"wasPresent", true}}));

    // Connecting again changes nothing, the backup least of all.
    std::string settingsBefore = readWholeFile(settingsPath()).value();
    std::string backupBefore = readWholeFile(backupPath()).value();
    ASSERT_TRUE(connectClaude(m_env, "/elsewhere/meter").ok());
    EXPECT_EQ(readWholeFile(settingsPath()).value(), settingsBefore);
    EXPECT_EQ(readWholeFile(backupPath()).value(), backupBefore);

    ASSERT_TRUE(disconnectClaude(m_env).ok());
    EXPECT_EQ(settings(), json::parse(original));
}

TEST_F(Bridge, AnyCommandWithTheMarkerCountsAsInstalled) {
    const char* foreign = R"({"statusLine":{"type":"command",
        "command":"other-tool --claude-statusline | tee /tmp/x"}})";
    writeSettings(foreign);
    EXPECT_TRUE(claudeBridgeInstalled(m_env));
    ASSERT_TRUE(connectClaude(m_env, kExe).ok());
    EXPECT_EQ(settings(), json::parse(foreign));
    EXPECT_FALSE(fs::exists(backupPath()));
}

TEST_F(Bridge, RefusesUnparsableSettingsOrPathsWithoutWritingAnything) {
    const std::string tooDeep =
        "{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
    for (const std::string& text : {std::string("{\"statusLine\": "), std::string("5"), tooDeep,
                                    std::string("{\"a\":1e400}")}) {
        writeSettings(text);
        EXPECT_FALSE(connectClaude(m_env, kExe).ok()) << text;
        EXPECT_FALSE(fs::exists(backupPath())) << text;
        EXPECT_EQ(readWholeFile(settingsPath()).value(), text);
        EXPECT_FALSE(disconnectClaude(m_env).ok()) << text;
    }
    // Nor is anything written for an executable path that is not UTF-8.
    writeSettings(R"({"model":"opus"})");
    EXPECT_EQ(connectClaude(m_env, "/opt/t\xffols/meter").error().kind(), ErrorKind::Unusable);
    EXPECT_EQ(readWholeFile(settingsPath()).value(), R"({"model":"opus"})");
    EXPECT_FALSE(fs::exists(backupPath()));
}

TEST_F(Bridge, DisconnectNeedsTheBackupAndTheSettings) {
    // Nothing installed: success without writing, even with no backup.
    writeSettings(R"({"statusLine":{"command":"mine"}})");
    ASSERT_TRUE(disconnectClaude(m_env).ok());
    EXPECT_EQ(readWholeFile(settingsPath()).value(), R"({"statusLine":{"command":"mine"}})");

    ASSERT_TRUE(connectClaude(m_env, kExe).ok());
    std::string installed = readWholeFile(settingsPath()).value();
    fs::remove(backupPath());
    EXPECT_FALSE(disconnectClaude(m_env).ok());
    EXPECT_EQ(readWholeFile(settingsPath()).value(), installed);

    m_dir.write("data/Brimlow/claude-statusline-backup.json", "{broken");
    EXPECT_FALSE(disconnectClaude(m_env).ok());
    EXPECT_EQ(readWholeFile(settingsPath()).value(), installed);

    // A backup whose top level is not an object means "there was none".
    m_dir.write("data/Brimlow/claude-statusline-backup.json", "[]");
    ASSERT_TRUE(disconnectClaude(m_env).ok());
    EXPECT_EQ(settings(), json::object());
}

TEST_F(Bridge, AnotherProgramsWriteDuringAnUpdateIsNeverOverwritten) {
    // Rewritten once between our read and our write: the change is made
    // again on top of the other program's content.
    writeSettings(R"({"model":"opus","statusLine":{"command":"old"}})");
    int reads = 0;
    ASSERT_TRUE(connectClaude(m_env, kExe, [&] {
                    if (reads++ == 0)
                        writeSettings(R"({"model":"sonnet","statusLine":{"command":"new"}})");
                }).ok());
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(settings()["model"], "sonnet");
    EXPECT_TRUE(claudeBridgeInstalled(m_env));
    EXPECT_EQ(backup()["statusLine"]["command"], "new");

    ASSERT_TRUE(disconnectClaude(m_env, [&] {
                    if (reads++ == 2) {
                        json changed = settings();
                        changed["theme"] = "x";
                        writeSettings(changed.dump());
                    }
                }).ok());
    EXPECT_EQ(settings(),
              json::parse(R"({"theme":"x","model":"sonnet","statusLine":{"command":"new"}})"));

    // Rewritten every time: after three tries the other program's last
    // version stays and the error says why.
    int version = 0;
    auto busy = connectClaude(
        m_env, kExe, [&] { writeSettings(R"({"version":)" + std::to_string(++version) + "}"); });
    ASSERT_FALSE(busy.ok());
    EXPECT_EQ(busy.error().kind(), ErrorKind::ChangedMeanwhile);
    EXPECT_EQ(version, 3);
    EXPECT_EQ(readWholeFile(settingsPath()).value(), R"({"version":3})");

    // Removed meanwhile: disconnecting does not bring the file back.
    ASSERT_TRUE(connectClaude(m_env, kExe).ok());
    auto gone = disconnectClaude(m_env, [&] { fs::remove(settingsPath()); });
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().errnoValue(), ENOENT);
    EXPECT_FALSE(fs::exists(settingsPath()));
    for (const auto& entry : fs::directory_iterator(m_dir / "claude"))
        ADD_FAILURE() << "left behind: " << entry.path();
}

// The shell must see the whole path as one word, whatever it holds.
TEST(BridgeCommandLine, QuotesThePathForTheShell) {
    TempDir dir;
    std::string script =
        dir.write("it's a $HOME `dir`/\"m\" eter", "#!/bin/sh\nprintf 'ran %s\\n' \"$1\"\n");
    fs::permissions(script, fs::perms::owner_all);
    auto run = runProgram({{"/bin/sh", "-c", bridgeCommandLine(script)}});
    EXPECT_EQ(run.out, "ran --claude-statusline\n") << run.err;
}

} // namespace
} // namespace brimlow
