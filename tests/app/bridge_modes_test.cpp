// "--connect-claude" and "--disconnect-claude" as a user runs them.
#include "base/files.h"
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class BridgeModes : public ::testing::Test {
protected:
    ProgramRun brimlow(const char* flag, bool withoutOverride = false) const {
        ProgramSpec spec{{BRIMLOW_EXECUTABLE, flag},
                         {{"HOME", m_dir / "home"},
                          {"CLAUDE_CONFIG_DIR", m_dir / "claude"},
                          {"XDG_DATA_HOME", m_dir / "data"}}};
        spec.withoutOverride = withoutOverride;
        return runProgram(spec);
    }
    std::string settingsPath() const { return m_dir / "claude/settings.json"; }

    TempDir m_dir;
};

TEST_F(BridgeModes, ConnectThenDisconnectPrintTheirLines) {
    m_dir.write("claude/settings.json", R"({"statusLine":{"type":"command","command":"mine"}})");
    auto connect = brimlow("--connect-claude");
    EXPECT_EQ(connect.out, "Claude 한도 연결 완료\n");
    EXPECT_EQ(connect.err, "");
    EXPECT_EQ(connect.exitStatus, 0);
    std::string exe = fs::canonical(BRIMLOW_EXECUTABLE).string();
    EXPECT_EQ(json::parse(readWholeFile(settingsPath()).value())["statusLine"]["command"],
              "'" + exe + "' --claude-statusline");

    auto disconnect = brimlow("--disconnect-claude");
    EXPECT_EQ(disconnect.out, "Claude 기존 status line 복원 완료\n");
    EXPECT_EQ(disconnect.exitStatus, 0);
    EXPECT_EQ(json::parse(readWholeFile(settingsPath()).value()),
              json::parse(R"({"statusLine":{"type":"command","command":"mine"}})"));

    // Not installed: still the success line.
    EXPECT_EQ(brimlow("--disconnect-claude").out, "Claude 기존 status line 복원 완료\n");
}

TEST_F(BridgeModes, FailuresPrintOneLineAndExitOne) {
    m_dir.write("claude/settings.json", "{\"a\": ");
    auto connect = brimlow("--connect-claude");
    EXPECT_EQ(connect.exitStatus, 1);
    EXPECT_TRUE(connect.out.starts_with(settingsPath() + ": parse error at line 1, column 7"))
        << connect.out;
    EXPECT_EQ(std::count(connect.out.begin(), connect.out.end(), '\n'), 1);
    EXPECT_EQ(connect.err, "");
    EXPECT_EQ(readWholeFile(settingsPath()).value(), "{\"a\": ");
    EXPECT_FALSE(fs::exists(m_dir / "data/Brimlow/claude-statusline-backup.json"));

    auto disconnect = brimlow("--disconnect-claude");
    EXPECT_EQ(disconnect.exitStatus, 1);
    EXPECT_TRUE(disconnect.out.starts_with(settingsPath() + ": parse error")) << disconnect.out;
}

TEST_F(BridgeModes, AReadOnlyConfigurationDirectoryChangesNothing) {
    std::string original = R"({"model": "opus"})";
    m_dir.write("claude/settings.json", original);
    chmod((m_dir / "claude").c_str(), 0555);
    auto connect = brimlow("--connect-claude", /*withoutOverride=*/true);
    chmod((m_dir / "claude").c_str(), 0755);
    EXPECT_EQ(connect.out, settingsPath() + ": Permission denied\n");
    EXPECT_EQ(connect.exitStatus, 1);
    EXPECT_EQ(readWholeFile(settingsPath()).value(), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "claude"), fs::directory_iterator()), 1);
}

TEST_F(BridgeModes, AnUnreadableSettingsFileIsNotReplaced) {
    std::string original = R"({"model": "opus", "permissions": {"allow": ["Bash"]}})";
    m_dir.write("claude/settings.json", original);
    chmod(settingsPath().c_str(), 0200);
    auto connect = brimlow("--connect-claude", /*withoutOverride=*/true);
    chmod(settingsPath().c_str(), 0644);
    EXPECT_EQ(connect.out, settingsPath() + ": Permission denied\n");
    EXPECT_EQ(connect.exitStatus, 1);
    EXPECT_EQ(readWholeFile(settingsPath()).value(), original);
}

TEST(Modules, AMissingModuleIsOneClearLine) {
    // The executable alone, away from its modules.
    TempDir dir;
    fs::copy_file(BRIMLOW_EXECUTABLE, dir / "brimlow");
    fs::permissions(dir / "brimlow", fs::perms::owner_all);
    for (const char* flag : {"--snapshot", "--test-notify"}) {
        auto run = runProgram({{dir / "brimlow", flag}});
        EXPECT_EQ(run.exitStatus, 1) << flag;
        EXPECT_TRUE(run.out.starts_with("Brimlow의 모듈을 찾을 수 없습니다: " + dir.path() + "/"))
            << run.out;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
        EXPECT_EQ(run.err, "");
    }
}

} // namespace
} // namespace brimlow
