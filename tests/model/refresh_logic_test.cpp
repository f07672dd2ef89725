#include "model/refresh_logic.h"
#include "test_support/fake_environment.h"
#include "test_support/time_zone.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

Time utc(const char* text) {
    return *parseRfc3339(text);
}

TEST(MeterTitle, ShowsCurrentWindowsOrClaudesTokensToday) {
    InTimeZone zone("UTC");
    Time now = utc("2025-10-01T12:00:00Z");
    ProviderUsage codex, claude;
    EXPECT_EQ(meterTitle(codex, claude, now), "C —  A 0");

    codex.quotas = {{42.4, 300, now + 1h}};
    claude.quotas = {{17.5, 300, now + 2h}};
    EXPECT_EQ(meterTitle(codex, claude, now), "C 42%  A 18%");

    // A passed window is skipped; list order decides, not size or percent.
    codex.quotas = {{95, 300, now - 10min}, {40, 10080, now + 72h}};
    claude.quotas = {};
    claude.entries = {{"a", utc("2025-10-01T00:00:00Z"), 1000000, 200000, 34567},
                      {"b", utc("2025-09-30T23:59:59Z"), 5, 5, 5}};
    EXPECT_EQ(meterTitle(codex, claude, now), "C 40%  A 1.2M");

    // A window without a reset is current; one resetting right now still is.
    codex.quotas = {{10, 300, now - 1s}, {20, 60, std::nullopt}, {30, 10080, now + 1h}};
    EXPECT_EQ(meterTitle(codex, claude, now), "C 20%  A 1.2M");
    codex.quotas = {{41.5, 300, now}};
    EXPECT_EQ(meterTitle(codex, claude, now), "C 42%  A 1.2M");
    codex.quotas = {{95, 300, now - 1s}};
    EXPECT_EQ(meterTitle(codex, claude, now), "C —  A 1.2M");
}

TEST(PeriodStart, TodayLastSevenDaysOrEverything) {
    InTimeZone zone("Asia/Seoul");
    Time now = utc("2025-09-30T15:30:00Z"); // 00:30 on 1 October in Seoul
    EXPECT_EQ(periodStart(0, now), utc("2025-09-30T15:00:00Z"));
    EXPECT_EQ(periodStart(1, now), utc("2025-09-24T15:00:00Z"));
    EXPECT_EQ(periodStart(2, now), distantPast());
    EXPECT_EQ(periodStart(5, now), distantPast());
    EXPECT_EQ(periodStart(-1, now), distantPast());
}

TEST(PeriodStart, SevenDaysAcrossTheEndOfDaylightSaving) {
    InTimeZone zone("America/New_York");
    // Clocks went back on 2025-11-02; local midnight moved from 04:00 to 05:00 UTC.
    Time now = utc("2025-11-05T17:00:00Z");
    EXPECT_EQ(periodStart(0, now), utc("2025-11-05T05:00:00Z"));
    EXPECT_EQ(periodStart(1, now), utc("2025-10-30T04:00:00Z"));
}

TEST(MergeCodexAnswer, FollowsTheThreeOutcomes) {
    Time now = utc("2025-10-01T12:00:00Z");
    ProviderUsage local;
    local.quotas = {{10, 300, now + 1h}};
    local.quotaDate = now - 1h;
    local.plan = "plus";
    local.status = "로컬 기록 · 한도 스냅샷";

    ProviderUsage failed = local;
    mergeCodexAnswer(failed, Error{ErrorKind::NotFound, "Codex CLI를 찾을 수 없습니다"}, now);
    EXPECT_EQ(failed.status, "Codex CLI를 찾을 수 없습니다 · 로컬 스냅샷");
    EXPECT_EQ(failed.quotas, local.quotas);
    EXPECT_EQ(failed.plan, "plus");

    ProviderUsage empty = local;
    mergeCodexAnswer(empty, Result<json>(json::object()), now);
    EXPECT_EQ(empty.status, "계정 한도 데이터 없음 · 로컬 토큰 표시");
    EXPECT_EQ(empty.quotas, local.quotas);
    EXPECT_EQ(empty.quotaDate, local.quotaDate);

    ProviderUsage live = local;
    mergeCodexAnswer(live, Result<json>(json::parse(R"({"primary":{"usedPercent":50,
                         "windowDurationMins":300,"resetsAt":1759330800}})")),
                     now);
    EXPECT_EQ(live.status, "계정 한도 · 실시간 조회");
    EXPECT_EQ(live.quotas, (std::vector<Quota>{{50, 300, *fromUnixSeconds(1759330800)}}));
    EXPECT_EQ(live.quotaDate, now);
    EXPECT_EQ(live.plan, std::nullopt) << "an answer without planType clears the plan";

    mergeCodexAnswer(live, Result<json>(json::parse(R"({"planType":"pro","primary":{"usedPercent":1,
                         "windowDurationMins":300}})")),
                     now);
    EXPECT_EQ(live.plan, "pro");
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
