#include "base/files.h"
#include "platform/autostart.h"
#include "test_support/fake_environment.h"
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

namespace fs = std::filesystem;

TEST(DesktopExecValue, QuotesReservedCharactersAndEscapesTheString) {
    EXPECT_EQ(desktopExecValue("/usr/bin/brimlow"), "/usr/bin/brimlow");
    EXPECT_EQ(desktopExecValue("/opt/My Apps/brimlow"), "\"/opt/My Apps/brimlow\"");
    // $ gets a backslash for the Exec quoting, and that backslash is doubled
    // for the desktop-entry string.
    EXPECT_EQ(desktopExecValue("/tmp/a$b/brimlow"), "\"/tmp/a\\\\$b/brimlow\"");
    EXPECT_EQ(desktopExecValue("/tmp/100%/brimlow"), "/tmp/100%%/brimlow");
}

class Autostart : public ::testing::Test {
protected:
    Autostart()
        : m_env{std::make_shared<FakeEnvironment>(
              std::map<std::string, std::string>{{"HOME", m_dir / "home"},
                                                 {"XDG_CONFIG_HOME", m_dir / "config"},
                                                 {"XDG_CONFIG_DIRS", m_dir / "xdg"}})},
          m_entry(m_env, "/opt/Brim Low/brimlow") {}

    TempDir m_dir;
    std::shared_ptr<FakeEnvironment> m_env;
    AutostartEntry m_entry;
};

TEST_F(Autostart, RegisterWritesAValidEntryAndUnregisterRemovesIt) {
    EXPECT_EQ(m_entry.status(), LoginItemStatus::NotRegistered);
    ASSERT_TRUE(m_entry.registerItem().ok());
    EXPECT_EQ(m_entry.path(), m_dir / "config/autostart/brimlow.desktop");
    EXPECT_EQ(m_entry.status(), LoginItemStatus::Enabled);
    std::string text = readWholeFile(m_entry.path()).value();
    EXPECT_NE(text.find("\nExec=\"/opt/Brim Low/brimlow\"\n"), std::string::npos) << text;
    if (access("/usr/bin/desktop-file-validate", X_OK) == 0) {
        auto check = runProgram({{"/usr/bin/desktop-file-validate", m_entry.path()}});
        EXPECT_EQ(check.exitStatus, 0) << check.out << check.err;
        EXPECT_EQ(check.out, "");
    }

    ASSERT_TRUE(m_entry.unregisterItem().ok());
    EXPECT_FALSE(fs::exists(m_entry.path()));
    EXPECT_EQ(m_entry.status(), LoginItemStatus::NotRegistered);
    EXPECT_TRUE(m_entry.unregisterItem().ok()) << "nothing to remove is fine";
}

TEST_F(Autostart, ASystemWideEntryIsHiddenRatherThanRemoved) {
    m_dir.write("xdg/autostart/brimlow.desktop", autostartEntryText("/usr/bin/brimlow", false));
    ASSERT_TRUE(m_entry.registerItem().ok());
    ASSERT_TRUE(m_entry.unregisterItem().ok());
    std::string text = readWholeFile(m_entry.path()).value();
    EXPECT_NE(text.find("\nHidden=true\n"), std::string::npos);
    EXPECT_EQ(m_entry.status(), LoginItemStatus::NotRegistered);
    ASSERT_TRUE(m_entry.registerItem().ok());
    EXPECT_EQ(m_entry.status(), LoginItemStatus::Enabled);
}

// Something else in the entry's place: no one, root included, can replace it.
TEST_F(Autostart, AFailedWriteIsAnErrorWithTheSystemsText) {
    fs::create_directories(m_entry.path());
    auto registered = m_entry.registerItem();
    ASSERT_FALSE(registered.ok());
    EXPECT_EQ(registered.error().message(), m_entry.path() + ": Is a directory");
    EXPECT_EQ(m_entry.status(), LoginItemStatus::NotRegistered);
}

} // namespace
} // namespace brimlow
