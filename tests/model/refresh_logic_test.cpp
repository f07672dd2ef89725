#include "model/refresh_logic.h"
#include "test_support/fake_environment.h"
#include "test_support/time_zone.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

TEST(PeriodStart, TodayLastSevenDaysOrEverything) {
    InTimeZone zone("Asia/Seoul");
    Time now = utc("2025-09-30T15:30:00Z"); // 00:30 on 1 October in Seoul
    EXPECT_EQ(periodStart(Period::Today, now), utc("2025-09-30T15:00:00Z"));
    EXPECT_EQ(periodStart(Period::LastSevenDays, now), utc("2025-09-24T15:00:00Z"));
    EXPECT_EQ(periodStart(Period::AllRecords, now), distantPast());
}

TEST(PeriodStart, SevenDaysAcrossTheEndOfDaylightSaving) {
    InTimeZone zone("America/New_York");
    // Clocks went back on 2025-11-02; local midnight moved from 04:00 to 05:00 UTC.
    Time now = utc("2025-11-05T17:00:00Z");
    EXPECT_EQ(periodStart(Period::Today, now), utc("2025-11-05T05:00:00Z"));
    EXPECT_EQ(periodStart(Period::LastSevenDays, now), utc("2025-10-30T04:00:00Z"));
}

TEST(MergeCodexAnswer, FollowsTheThreeOutcomes) {
    Time now = utc("2025-10-01T12:00:00Z");
    ProviderUsage local;
    local.quotas = {{10, 300, now + 1h}};
    local.quotaDate = now - 1h;
    local.plan = "plus";
    local.source = FiguresSource::CodexLogs;

    ProviderUsage failed = local;
    mergeCodexAnswer(failed, Error{ErrorKind::NotFound, "none"}, now);
    EXPECT_EQ(failed.source, FiguresSource::CodexQueryFailed);
    EXPECT_EQ(failed.queryFailure, (Error{ErrorKind::NotFound, "none"}));
    EXPECT_EQ(failed.quotas, local.quotas);
    EXPECT_EQ(failed.plan, "plus");

    ProviderUsage empty = local;
    mergeCodexAnswer(empty, CodexLimits{}, now);
    EXPECT_EQ(empty.source, FiguresSource::CodexLiveWithoutLimits);
    EXPECT_EQ(empty.quotas, local.quotas);
    EXPECT_EQ(empty.quotaDate, local.quotaDate);

    ProviderUsage live = local;
    std::vector<Quota> quotas{{50, 300, now + 2h}};
    mergeCodexAnswer(live, CodexLimits{quotas, std::nullopt}, now);
    EXPECT_EQ(live.source, FiguresSource::CodexLive);
    EXPECT_EQ(live.quotas, quotas);
    EXPECT_EQ(live.quotaDate, now);
    EXPECT_EQ(live.plan, std::nullopt) << "an answer without planType clears the plan";
}

TEST(LogRoots, FollowTheEnvironmentOfEachCycleUnlessIgnored) {
    using Roots = std::vector<std::string>;
    FakeEnvironment env{{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "relative"}}};
    EXPECT_EQ(logRoots(env).codexSessions, "/home/u/.codex/sessions");
    EXPECT_EQ(logRoots(env).claudeProjects,
              (Roots{"/home/u/.claude/projects", "/home/u/.config/claude/projects"}));
    env.set("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(logRoots(env).claudeProjects,
              (Roots{"/home/u/.claude/projects", "/cfg/claude/projects"}));
    env.set("CODEX_HOME", "");
    env.set("CLAUDE_CONFIG_DIR", "rel");
    EXPECT_EQ(logRoots(env).codexSessions, "sessions");
    EXPECT_EQ(logRoots(env).claudeProjects, Roots{"rel/projects"});
    EXPECT_EQ(logRoots(env, Overrides::Ignored).codexSessions, "/home/u/.codex/sessions");
    EXPECT_EQ(logRoots(env, Overrides::Ignored).claudeProjects,
              (Roots{"/home/u/.claude/projects", "/cfg/claude/projects"}));
}

} // namespace
} // namespace brimlow
