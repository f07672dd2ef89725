#include "qstring_printer.h"
#include "test_support/time_zone.h"
#include "ui/panel_format.h"
#include "ui/panel_text.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

TEST(CountdownText, RoundsUpToTheMinuteAndNeverReadsZero) {
    EXPECT_EQ(countdownText(0), "1분 후");
    EXPECT_EQ(countdownText(-30), "1분 후");
    EXPECT_EQ(countdownText(1), "1분 후");
    EXPECT_EQ(countdownText(kMinute), "1분 후");
    EXPECT_EQ(countdownText(kMinute + 1), "2분 후");
    EXPECT_EQ(countdownText(59 * kMinute + 30), "1시간 후");
}

TEST(CountdownText, ShowsTheTwoLargestUnitsAndDropsAZeroSecond) {
    EXPECT_EQ(countdownText(2 * kHour + 13 * kMinute), "2시간 13분 후");
    EXPECT_EQ(countdownText(2 * kHour + 13 * kMinute + 1), "2시간 14분 후");
    EXPECT_EQ(countdownText(2 * kHour), "2시간 후");
    EXPECT_EQ(countdownText(kDay), "1일 후");
    EXPECT_EQ(countdownText(kDay + 40 * kMinute), "1일 후");
    EXPECT_EQ(countdownText(7 * kDay - kMinute), "6일 23시간 후");
    EXPECT_EQ(countdownText(7 * kDay), "7일 후");
}

TEST(PercentUsedText, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(percentUsedText(12.5), "13% 사용");
    EXPECT_EQ(percentUsedText(12.4), "12% 사용");
    EXPECT_EQ(percentUsedText(0.5), "1% 사용");
    EXPECT_EQ(percentUsedText(79.5), "80% 사용");
    EXPECT_EQ(percentUsedText(100), "100% 사용");
}

TEST(PanelFormat, CompactRoundsTiesToEvenAndKeepsItsUnit) {
    PanelFormat format;
    EXPECT_EQ(format.compact(999), "999");
    EXPECT_EQ(format.compact(-5000), "-5000");
    EXPECT_EQ(format.compact(1250), "1.2K");
    EXPECT_EQ(format.compact(1350), "1.4K");
    EXPECT_EQ(format.compact(999950), "1000.0K");
    EXPECT_EQ(format.compact(1000000), "1.0M");
}

TEST(DateTimeText, WritesTheYearInFullAndTheTimeInLocalTime) {
    InTimeZone seoul("Asia/Seoul");
    QDateTime at = QDateTime::fromSecsSinceEpoch(1736059200, Qt::UTC); // 2025-01-05 06:40 UTC
    QLocale korean(QLocale::Korean, QLocale::SouthKorea);
    EXPECT_EQ(timeText(at, korean), "오후 3:40");
    // The C locale's short format has seconds; a time of day here has not.
    EXPECT_EQ(timeText(at.addSecs(34), QLocale::c()), "15:40");
    EXPECT_EQ(timeText(at.addSecs(34), QLocale(QLocale::English, QLocale::UnitedStates)),
              "3:40 PM");
    EXPECT_EQ(dateTimeText(at, korean), "2025. 1. 5. 오후 3:40");
    EXPECT_EQ(dateTimeText(at, QLocale(QLocale::English, QLocale::UnitedStates)).left(9),
              "1/5/2025 ");
}

TEST(PanelFormat, CountdownMeasuresFromTheGivenClock) {
    PanelFormat format;
    QDateTime now = QDateTime::fromSecsSinceEpoch(1736059200);
    EXPECT_EQ(format.countdown(now.addSecs(2 * kHour + 13 * kMinute), now), "2시간 13분 후");
}

} // namespace
} // namespace brimlow
