#include "claude/quota_snapshot.h"

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
    for (const char* text : {"", "not json", "[1,2]", R"({"updatedAt":7})",
                             R"({"rate_limits":"x","updatedAt":7})", R"({"rate_limits":[]})"})
        EXPECT_EQ(applied(text), before()) << text;
}

TEST(ApplyClaudeQuota, UsableWindowsReplaceTheQuotasInTableOrder) {
    auto both = applied(R"({"rate_limits":{
        "seven_day":{"used_percentage":12.5,"resets_at":1760600000},
        "five_hour":{"used_percentage":30,"resets_at":1760000000.5},
        "other":{"used_percentage":1}},"updatedAt":1759999999.25})");
    EXPECT_EQ(both.quotas,
              (std::vector<Quota>{{30, 300, at(1760000000.5)}, {12.5, 10080, at(1760600000)}}));
    EXPECT_EQ(both.quotaDate, at(1759999999.25));
    EXPECT_EQ(both.source, FiguresSource::ClaudeStatusLine);
    EXPECT_EQ(both.entries, before().entries);

    // Unusable windows are skipped one by one; with none left the source
    // stays what the log reader said.
    auto none = applied(R"({"rate_limits":{"five_hour":{"resets_at":1760000000},
        "seven_day":{"used_percentage":"40","resets_at":1760000000}},"updatedAt":3})");
    EXPECT_TRUE(none.quotas.empty());
    EXPECT_EQ(none.quotaDate, at(3));
    EXPECT_EQ(none.source, FiguresSource::ClaudeLogs);
}

} // namespace
} // namespace brimlow
