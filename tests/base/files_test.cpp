#include "base/files.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace brimlow {
namespace {

namespace fs = std::filesystem;

unsigned modeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WriteFileAtomic, ReplacesContentAndKeepsPermissionBits) {
    TempDir dir;
    std::string path = dir.write("settings.json", "old");
    chmod(path.c_str(), 0600);
    for (auto durability : {Durability::Synced, Durability::Unsynced}) {
        ASSERT_TRUE(writeFileAtomic(path, "new", durability).ok());
        EXPECT_EQ(readWholeFile(path).value(), "new");
        EXPECT_EQ(modeOf(path), 0600u);
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"settings.json"});
}

TEST(WriteFileAtomic, NewFileGetsTheUsualModeLessTheUmask) {
    TempDir dir;
    mode_t old = umask(027);
    auto written = writeFileAtomic(dir / "fresh.json", "{}", Durability::Synced);
    umask(old);
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(modeOf(dir / "fresh.json"), 0640u);
}

TEST(WriteFileAtomic, WritesThroughSymbolicLinksAndKeepsThem) {
    TempDir dir;
    std::string target = dir.write("dotfiles/claude/settings.json", "old");
    fs::create_directories(dir / "home");
    // A relative link, as dotfile managers make them, through a second link.
    fs::create_symlink("../dotfiles/claude/settings.json", dir / "home/real-link");
    fs::create_symlink("real-link", dir / "home/settings.json");

    ASSERT_TRUE(writeFileAtomic(dir / "home/settings.json", "new", Durability::Synced).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "home/settings.json"));
    EXPECT_TRUE(fs::is_symlink(dir / "home/real-link"));
    EXPECT_EQ(readWholeFile(target).value(), "new");
    EXPECT_EQ(namesIn(dir / "dotfiles/claude"), std::vector<std::string>{"settings.json"});
}

TEST(WriteFileAtomic, FailureLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    // A directory in the target's place makes the final rename fail after
    // the temporary file has been written.
    fs::create_directories(dir / "target.json");
    auto written = writeFileAtomic(dir / "target.json", "new", Durability::Synced);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find(dir / "target.json"), std::string::npos);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"target.json"});

    auto missingDir = writeFileAtomic(dir / "no/such/dir.json", "x", Durability::Synced);
    ASSERT_FALSE(missingDir.ok());
    EXPECT_EQ(missingDir.error().code, ENOENT);
}

TEST(CreateDirectories, MakesParentsAndAcceptsExisting) {
    TempDir dir;
    ASSERT_TRUE(createDirectories(dir / "a/b/c").ok());
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(createDirectories(dir / "a/b/c/").ok());
    dir.write("file", "x");
    auto blocked = createDirectories(dir / "file/sub");
    ASSERT_FALSE(blocked.ok());
    EXPECT_EQ(blocked.error().code, ENOTDIR);
}

TEST(ReadWholeFile, ErrorsNameThePath) {
    TempDir dir;
    auto missing = readWholeFile(dir / "absent.json");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, dir / "absent.json" + ": No such file or directory");
    EXPECT_EQ(missing.error().code, ENOENT);
}

} // namespace
} // namespace brimlow
