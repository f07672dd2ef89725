#include "codex/discovery.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

const Paths kFixed{
    "/Applications/Codex.app/Contents/Resources/codex",
    "/opt/homebrew/bin/codex",
    "/usr/local/bin/codex",
    "/home/u/.local/bin/codex",
};

Paths withFixed(const Paths& rest) {
    Paths all = kFixed;
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

class FakeProbe final : public ExecutableProbe {
public:
    std::optional<std::vector<std::string>> entryNames(const std::string& dir) const override {
        auto it = directories.find(dir);
        if (it == directories.end())
            return std::nullopt;
        return it->second;
    }
    bool isExecutableFile(const std::string& path) const override {
        return executables.count(path) > 0;
    }

    std::map<std::string, std::vector<std::string>> directories;
    std::set<std::string> executables;
};

TEST(CodexCandidates, FixedPlacesThenPathPiecesAsWrittenThenNvmInDescendingByteOrder) {
    EXPECT_EQ(
        codexCandidates("/home/u", ":/usr/bin::/opt/tools/", {"v18.19.0", "v20.11.0", "v9.0.0"}),
        withFixed({
            "/usr/bin/codex",
            "/opt/tools//codex",
            "/home/u/.nvm/versions/node/v9.0.0/bin/codex",
            "/home/u/.nvm/versions/node/v20.11.0/bin/codex",
            "/home/u/.nvm/versions/node/v18.19.0/bin/codex",
        }));
}

TEST(CodexCandidates, EmptyOrAbsentPathGivesOnlyTheFixedPlaces) {
    EXPECT_EQ(codexCandidates("/home/u", std::nullopt, {}), kFixed);
    EXPECT_EQ(codexCandidates("/home/u", "", {}), kFixed);
    EXPECT_EQ(codexCandidates("/home/u", ":::", {}), kFixed);
}

class CodexExecutableTest : public ::testing::Test {
protected:
    FakeEnvironment env{{{"HOME", "/home/u"}, {"PATH", "/usr/bin:/opt/tools"}}};
    FakeProbe probe;
    const std::string nvm = "/home/u/.nvm/versions/node";
};

TEST_F(CodexExecutableTest, FirstExecutableCandidateWins) {
    probe.executables = {"/opt/tools/codex", "/opt/homebrew/bin/codex"};
    EXPECT_EQ(codexExecutable(env, probe), "/opt/homebrew/bin/codex");

    probe.executables = {"/opt/tools/codex", "/usr/bin/codex"};
    EXPECT_EQ(codexExecutable(env, probe), "/usr/bin/codex");
}

TEST_F(CodexExecutableTest, NvmVersionsAreTriedAfterPathInByteOrder) {
    probe.directories[nvm] = {"v18.19.0", "v20.11.0", ".hidden-file", "v9.0.0"};
    probe.executables = {nvm + "/v20.11.0/bin/codex", nvm + "/v9.0.0/bin/codex"};
    EXPECT_EQ(codexExecutable(env, probe), nvm + "/v9.0.0/bin/codex");

    probe.executables.insert("/opt/tools/codex");
    EXPECT_EQ(codexExecutable(env, probe), "/opt/tools/codex");
}

TEST_F(CodexExecutableTest, NothingFoundIsAbsentNotAnError) {
    // No nvm directory at all, no PATH, nothing executable.
    env.unset("PATH");
    EXPECT_EQ(codexExecutable(env, probe), std::nullopt);
}

// The real file-system answers the search relies on.
class FileSystemProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("brimlow-probe-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "codex-dir");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string file(const std::string& name, fs::perms perms) {
        auto path = dir / name;
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, perms);
        return path;
    }

    fs::path dir;
    FileSystemProbe probe;
};

TEST_F(FileSystemProbeTest, OnlyExecutableRegularFilesCount) {
    using fs::perms;
    std::string runnable = file("runnable", perms::owner_all);
    std::string plain = file("plain", perms::owner_read | perms::owner_write);
    fs::create_symlink(runnable, dir / "link");

    EXPECT_TRUE(probe.isExecutableFile(runnable));
    EXPECT_TRUE(probe.isExecutableFile(dir / "link"));
    EXPECT_FALSE(probe.isExecutableFile(plain));
    EXPECT_FALSE(probe.isExecutableFile(dir / "codex-dir")); // a directory named like the tool
    EXPECT_FALSE(probe.isExecutableFile(dir / "missing"));
}

TEST_F(FileSystemProbeTest, ListsAllEntryNamesOrNothing) {
    file(".hidden", fs::perms::owner_read);
    auto names = probe.entryNames(dir);
    ASSERT_TRUE(names);
    EXPECT_EQ(std::set<std::string>(names->begin(), names->end()),
              (std::set<std::string>{".hidden", "codex-dir"}));
    EXPECT_EQ(probe.entryNames(dir / "missing"), std::nullopt);
}

} // namespace
} // namespace brimlow
