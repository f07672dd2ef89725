#include "base/files.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace brimlow {
namespace {

namespace fs = std::filesystem;

unsigned modeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::set<std::string> namesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename());
    return names;
}

TEST(WriteFileAtomic, ReplacesContentKeepingModeAndLinksAndLeavesNoTemporary) {
    TempDir dir;
    std::string path = dir.write("settings.json", "old");
    chmod(path.c_str(), 0600);
    for (auto durability : {Durability::Synced, Durability::Unsynced}) {
        ASSERT_TRUE(writeFileAtomic(path, "new", durability).ok());
        EXPECT_EQ(readWholeFile(path).value(), "new");
        EXPECT_EQ(modeOf(path), 0600u);
    }
    // A new file gets the usual mode less the umask.
    mode_t old = umask(027);
    auto written = writeFileAtomic(dir / "fresh.json", "{}", Durability::Synced);
    umask(old);
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(modeOf(dir / "fresh.json"), 0640u);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"fresh.json", "settings.json"}));

    std::string target = dir.write("dotfiles/claude/settings.json", "old");
    fs::create_directories(dir / "home");
    // A relative link, as dotfile managers make them, through a second link.
    fs::create_symlink("../dotfiles/claude/settings.json", dir / "home/real-link");
    fs::create_symlink("real-link", dir / "home/settings.json");

    ASSERT_TRUE(writeFileAtomic(dir / "home/settings.json", "new", Durability::Synced).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "home/settings.json"));
    EXPECT_TRUE(fs::is_symlink(dir / "home/real-link"));
    EXPECT_EQ(readWholeFile(target).value(), "new");
    EXPECT_EQ(namesIn(dir / "dotfiles/claude"), std::set<std::string>{"settings.json"});
}

TEST(WriteFileAtomic, FailuresNameThePathAndLeaveNoTemporary) {
    TempDir dir;
    // A directory in the target's place makes the final rename fail after
    // the temporary file has been written.
    fs::create_directories(dir / "target.json");
    auto written = writeFileAtomic(dir / "target.json", "new", Durability::Synced);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message().find(dir / "target.json"), std::string::npos);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"target.json"});
}

} // namespace
} // namespace brimlow
