// "--connect-claude" and "--disconnect-claude" as a user runs them.
#include "base/files.h"
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class BridgeModes : public ::testing::Test {
protected:
    ProgramRun brimlow(const char* flag) const {
        return runProgram({{BRIMLOW_EXECUTABLE, flag},
                           {{"HOME", m_dir / "home"},
                            {"CLAUDE_CONFIG_DIR", m_dir / "claude"},
                            {"XDG_DATA_HOME", m_dir / "data"}}});
    }
    std::string settingsPath() const { return m_dir / "claude/settings.json"; }

    TempDir m_dir;
};

TEST_F(BridgeModes, ConnectThenDisconnectPrintTheirLines) {
    const char* mine = R"({"statusLine":{"type":"command","command":"mine"}})";
    m_dir.write("claude/settings.json", mine);
    auto connect = brimlow("--connect-claude");
    EXPECT_EQ(connect.out, "Claude 한도 연결 완료\n");
    std::string exe = fs::canonical(BRIMLOW_EXECUTABLE).string();
    EXPECT_EQ(json::parse(readWholeFile(settingsPath()).value())["statusLine"]["command"],
              "'" + exe + "' --claude-statusline");

    auto disconnect = brimlow("--disconnect-claude");
    EXPECT_EQ(disconnect.out, "Claude 기존 status line 복원 완료\n");
    for (const auto& run : {connect, disconnect})
        EXPECT_EQ(std::tie(run.err, run.exitStatus), std::tuple("", 0)) << run.out;
    EXPECT_EQ(json::parse(readWholeFile(settingsPath()).value()), json::parse(mine));
}

TEST(Helpers, RunWithTheSameArgumentsAndStatusOrSayInOneLineWhyNot) {
    TempDir dir;
    std::string exe = dir / "brimlow";
    fs::copy_file(BRIMLOW_EXECUTABLE, exe);
    std::string helper = dir.write("brimlow-snapshot", "");
    auto broken = runProgram({{exe, "--snapshot"}});
    EXPECT_EQ(broken.out,
              "Brimlow의 도우미를 실행할 수 없습니다: " + helper + ": Permission denied\n");
    auto missing = runProgram({{exe, "--test-notify"}});
    EXPECT_TRUE(
        missing.out.starts_with("Brimlow의 도우미를 찾을 수 없습니다: " + dir.path() + "/"));
    EXPECT_EQ(std::count(missing.out.begin(), missing.out.end(), '\n'), 1) << missing.out;
    for (const auto& run : {broken, missing}) {
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.err, "");
    }
    // /bin/sh reading commands from its input shows argv[0], brimlow's path, as $0.
    fs::remove(helper);
    fs::create_symlink("/bin/sh", helper);
    auto run = runProgram(
        {{exe, "-s", "a b", "--snapshot"}, {}, {}, "printf '%s|' \"$0\" \"$@\"; exit 3"});
    EXPECT_EQ(run.out, fs::canonical(exe).string() + "|a b|--snapshot|");
    EXPECT_EQ(run.exitStatus, 3);
}

} // namespace
} // namespace brimlow
