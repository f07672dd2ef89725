#include "codex/discovery.h"
#include "test_support/fake_environment.h"

#include <gtest/gtest.h>
#include <set>

namespace brimlow {
namespace {

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

} // namespace
} // namespace brimlow
