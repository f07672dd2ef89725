#include "qstring_printer.h"
#include "test_support/time_zone.h"
#include "ui/panel_text.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

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

} // namespace
} // namespace brimlow
