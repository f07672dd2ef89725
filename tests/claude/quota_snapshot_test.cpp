#include "claude/quota_snapshot.h"
#include "test_support/fake_environment.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

Time at(double seconds) {
    return *fromUnixSeconds(seconds);
}

ProviderUsage before() {
    ProviderUsage usage;
    usage.entries = {{"m", Time{}, 1, 2, 3}};
    usage.quotas = {{12, 60, std::nullopt}};
    usage.quotaDate = at(5);
    usage.source = FiguresSource::ClaudeLogs;
    return usage;
}

ProviderUsage applied(const std::string& snapshot) {
    ProviderUsage usage = before();
    applyClaudeQuotaText(usage, snapshot);
    return usage;
}

TEST(ApplyClaudeQuota, MalformedSnapshotsLeaveTheRecordAlone) {
    for (const char* text :
         {"", "not json", "[1,2]", "5", R"({"updatedAt":7})",
          R"({"rate_limits":"x","updatedAt":7})", R"({"rate_limits":[],"updatedAt":7})"}) {
        EXPECT_EQ(applied(text), before()) << text;
    }
    TempDir dir;
    FakeEnvironment env{{{"HOME", dir.path()}}};
    ProviderUsage usage = before();
    applyClaudeQuota(usage, env);
    EXPECT_EQ(usage, before());
}

TEST(ApplyClaudeQuota, WindowsReplaceTheQuotasInTableOrder) {
    auto both = applied(R"({"rate_limits":{
        "seven_day":{"used_percentage":12.5,"resets_at":1760600000},
        "five_hour":{"used_percentage":130,"resets_at":1760000000.5},
        "other":{"used_percentage":1}},"updatedAt":1759999999.25})");
    EXPECT_EQ(both.quotas,
              (std::vector<Quota>{{100, 300, at(1760000000.5)}, {12.5, 10080, at(1760600000)}}));
    EXPECT_EQ(both.quotaDate, at(1759999999.25));
    EXPECT_EQ(both.source, FiguresSource::ClaudeStatusLine);
    EXPECT_EQ(both.entries, before().entries);

    auto weekOnly = applied(R"({"rate_limits":{"seven_day":{"used_percentage":-3}}})");
    EXPECT_EQ(weekOnly.quotas, (std::vector<Quota>{{0, 10080, std::nullopt}}));
    EXPECT_EQ(weekOnly.quotaDate, std::nullopt);
}

TEST(ApplyClaudeQuota, UnusableWindowsAreSkippedOneByOne) {
    auto partial = applied(R"({"rate_limits":{
        "five_hour":{"resets_at":1760000000},
        "seven_day":{"used_percentage":"40","resets_at":1760000000}},"updatedAt":3})");
    EXPECT_TRUE(partial.quotas.empty());
    EXPECT_EQ(partial.quotaDate, at(3));
    // No window found: the source stays what the log reader said.
    EXPECT_EQ(partial.source, FiguresSource::ClaudeLogs);

    auto empty = applied(R"({"rate_limits":{},"updatedAt":3})");
    EXPECT_TRUE(empty.quotas.empty());
    EXPECT_EQ(empty.quotaDate, at(3));
}

} // namespace
} // namespace brimlow
