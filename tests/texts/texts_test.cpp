// The words and figures as people read them.
#include "test_support/time_zone.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

TEST(Texts, CompactCountsAndWindowLabels) {
    const std::int64_t counts[] = {0,      999,     -1000,   1000,       1250,     1350,
                                   999950, 1000000, 1050000, 1000000000, INT64_MAX};
    std::string texts;
    for (std::int64_t n : counts)
        texts += compact(n) + " ";
    EXPECT_EQ(texts, "0 999 -1000 1.0K 1.2K 1.4K 1000.0K 1.0M 1.1M 1000.0M 9223372036854.8M ");
    std::string labels;
    for (std::int64_t minutes : {300, 10080, 299, 0})
        labels += windowLabel(minutes) + " ";
    EXPECT_EQ(labels, "5시간 주간 299분 0분 ");
}

TEST(Texts, CountdownRoundsUpToTheMinuteInTheTwoLargestUnits) {
    constexpr std::int64_t kMinute = 60, kHour = 60 * kMinute, kDay = 24 * kHour;
    std::string texts;
    for (std::int64_t seconds : {-30L, kMinute, kMinute + 1, 59 * kMinute + 30,
                                 2 * kHour + 13 * kMinute, 2 * kHour + 13 * kMinute + 1, 2 * kHour,
                                 kDay + 40 * kMinute, 7 * kDay - kMinute, 7 * kDay})
        texts += countdownText(seconds) + ", ";
    EXPECT_EQ(texts, "1분 후, 1분 후, 2분 후, 1시간 후, 2시간 13분 후, 2시간 14분 후, 2시간 후, "
                     "1일 후, 6일 23시간 후, 7일 후, ");
    EXPECT_EQ(percentUsedText(12.4), "12% 사용");
}

TEST(Texts, TitleShowsCurrentWindowsOrClaudesTokensToday) {
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

TEST(Texts, SourcesAndQueryFailures) {
    ProviderUsage usage;
    EXPECT_EQ(sourceText(usage), "기록 없음");
    usage.source = FiguresSource::ClaudeStatusLine;
    EXPECT_EQ(sourceText(usage), "Claude Code 한도 스냅샷 · 로컬 토큰");
    usage.source = FiguresSource::CodexQueryFailed;
    usage.queryFailure = Error{ErrorKind::NotFound, "no codex"};
    EXPECT_EQ(sourceText(usage), "Codex CLI를 찾을 수 없습니다 · 로컬 스냅샷");
    EXPECT_EQ(codexQueryErrorText(Error{ErrorKind::Rejected, ""}),
              "Codex 로그인 또는 한도 조회 실패");
    EXPECT_EQ(codexQueryErrorText(Error{ErrorKind::Malformed, ""}), "Codex 응답 시간 초과");
    EXPECT_EQ(codexQueryErrorText(Error::fromErrno(EACCES)), "Permission denied");
}

} // namespace
} // namespace brimlow
