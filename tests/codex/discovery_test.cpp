#include "codex/discovery.h"
#include "test_support/fake_environment.h"
#include "test_support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace brimlow {
namespace {

namespace fs = std::filesystem;

const std::string kNvm = "/home/u/.nvm/versions/node";

struct FakeProbe final : ExecutableProbe {
    std::optional<std::vector<std::string>> entryNames(const std::string& dir) const override {
        return dir == kNvm ? std::optional(versions) : std::nullopt;
    }
    bool isExecutableFile(const std::string& path) const override {
        return executables.count(path) > 0;
    }
    std::vector<std::string> versions;
    std::set<std::string> executables;
};

TEST(CodexExecutable, FirstExecutableCandidateWins) {
    FakeEnvironment env{{{"HOME", "/home/u"}, {"PATH", "/usr/bin:/opt/tools"}}};
    FakeProbe probe;
    EXPECT_EQ(codexExecutable(env, probe), std::nullopt); // absent, not an error
    probe.versions = {"v18.19.0", "v20.11.0", ".hidden-file", "v9.0.0"};
    probe.executables = {kNvm + "/v20.11.0/bin/codex", kNvm + "/v9.0.0/bin/codex"};
    EXPECT_EQ(codexExecutable(env, probe), kNvm + "/v9.0.0/bin/codex");
    for (std::string earlier : {"/opt/tools/codex", "/usr/bin/codex", "/opt/homebrew/bin/codex"}) {
        probe.executables.insert(earlier);
        EXPECT_EQ(codexExecutable(env, probe), earlier);
    }
}

// The real file-system answers the search relies on.
TEST(FileSystemProbe, OnlyExecutableRegularFilesCount) {
    TempDir dir;
    std::string runnable = dir.write("runnable", "#!/bin/sh\n");
    std::string plain = dir.write("plain", "#!/bin/sh\n");
    fs::permissions(runnable, fs::perms::owner_all);
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(runnable, dir / "link");
    fs::create_directories(dir / "codex-dir");
    FileSystemProbe probe;
    EXPECT_TRUE(probe.isExecutableFile(runnable));
    EXPECT_TRUE(probe.isExecutableFile(dir / "link"));
    EXPECT_FALSE(probe.isExecutableFile(plain));
    EXPECT_FALSE(probe.isExecutableFile(dir / "codex-dir")); // a directory named like the tool
    EXPECT_FALSE(probe.isExecutableFile(dir / "missing"));
    EXPECT_EQ(probe.entryNames(dir / "missing"), std::nullopt);
}

} // namespace
} // namespace brimlow
