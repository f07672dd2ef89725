// The history of Claude's windows: what a redraw appends and what the
// application reads back.
#include "base/files.h"
#include "claude/quota_history.h"
#include "test_support/temp_dir.h"
#include "test_support/time_zone.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

const Time kNow = utc("2025-10-01T12:00:00Z");

TEST(QuotaHistory, ARedrawAddsTheChangedWindowsWithTheirLastReadingBefore) {
    ProviderUsage before;
    before.quotas = {{40, kFiveHourWindow, kNow + 1h}, {10, kWeekWindow, kNow + 72h}};
    before.quotaDate = kNow - 2min;
    // The week is unchanged; a window the snapshot did not have comes alone.
    EXPECT_EQ(quotaHistoryLines(before,
                                {{42.5, kFiveHourWindow, kNow + 1h},
                                 {10, kWeekWindow, kNow + 72h},
                                 {3, 60, std::nullopt}},
                                kNow),
              "{\"at\":1759319880.0,\"minutes\":300,\"percent\":40.0,\"resetsAt\":1759323600.0}\n"
              "{\"at\":1759320000.0,\"minutes\":300,\"percent\":42.5,\"resetsAt\":1759323600.0}\n"
              "{\"at\":1759320000.0,\"minutes\":60,\"percent\":3.0,\"resetsAt\":null}\n");
    EXPECT_EQ(quotaHistoryLines(before, before.quotas, kNow), "");
}

// Only the last hours count as samples; the file keeps eight days, and is
// trimmed once its oldest line is a day past that.
TEST(QuotaHistory, ReadsTheLastHoursSkipsBrokenLinesAndTrimsTheFile) {
    TempDir dir;
    std::string path = dir / "history.jsonl";
    auto line = [](Time at, double percent) {
        return "{\"at\":" + std::to_string(toUnixSecondsTruncated(at)) +
               ",\"minutes\":300,\"percent\":" + std::to_string(percent) + ",\"resetsAt\":null}\n";
    };
    std::string week = line(kNow - 24h * 7, 20) + line(kNow - 1h, 30) + "[1]\n" + line(kNow, 40);
    dir.write("history.jsonl", line(kNow - 24h * 8 - 23h, 10) + week);
    auto samples = readQuotaHistory(path, kNow);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0], (QuotaSample{kNow - 1h, {30, kFiveHourWindow, std::nullopt}}));
    EXPECT_EQ(readWholeFile(path).value(), line(kNow - 24h * 8 - 23h, 10) + week);

    dir.write("history.jsonl", "{\"at\":\n" + week);
    EXPECT_EQ(readQuotaHistory(path, kNow).size(), 2u);
    ASSERT_TRUE(appendQuotaHistory(path, line(kNow + 1h, 50)).ok());
    EXPECT_EQ(readWholeFile(path).value(), line(kNow - 24h * 7, 20) + line(kNow - 1h, 30) +
                                               line(kNow, 40) + line(kNow + 1h, 50));
    EXPECT_TRUE(readQuotaHistory(dir / "missing.jsonl", kNow).empty());
}

} // namespace
} // namespace brimlow
