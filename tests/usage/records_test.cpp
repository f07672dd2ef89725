#include "usage/records.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

TEST(Compact, ScalesAndRoundsLikePrintf) {
    struct Case {
        std::int64_t n;
        const char* text;
    } cases[] = {
        {0, "0"},
        {999, "999"},
        {-5, "-5"},
        {-1000, "-1000"},
        {1000, "1.0K"},
        {1234, "1.2K"},
        {1250, "1.2K"},
        {1350, "1.4K"},
        {999949, "999.9K"},
        {999950, "1000.0K"},
        {1000000, "1.0M"},
        {1050000, "1.1M"},
        {1234567, "1.2M"},
        {1000000000, "1000.0M"},
        {INT64_MAX, "9223372036854.8M"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compact(c.n), c.text) << c.n;
}

TEST(QuotaLabel, NamesOnlyTheTwoKnownWindows) {
    struct Case {
        std::int64_t minutes;
        const char* label;
    } cases[] = {{300, "5시간"}, {10080, "주간"}, {299, "299분"},    {301, "301분"},
                 {60, "60분"},   {0, "0분"},      {43200, "43200분"}};
    for (const auto& c : cases)
        EXPECT_EQ((Quota{50, c.minutes, {}}.label()), c.label);
    EXPECT_EQ((Quota{1, 300, {}}.id()), (Quota{99, 300, Time{}}.id()));
}

TEST(Totals, CountsEntriesAtOrAfterSince) {
    Time t0{std::chrono::seconds(1000)};
    ProviderUsage usage;
    EXPECT_EQ(usage.totals(t0), (TokenTotals{0, 0, 0}));
    usage.entries = {
        {"a", t0 - std::chrono::microseconds(1), 1, 2, 3},
        {"b", t0, 10, 20, 30},
        {"c", t0 + std::chrono::hours(1), 100, 200, 300},
    };
    EXPECT_EQ(usage.totals(t0), (TokenTotals{110, 220, 330}));
    EXPECT_EQ(usage.totals(distantPast()).sum(), 666);
    EXPECT_EQ(usage.totals(t0 + std::chrono::hours(2)), (TokenTotals{0, 0, 0}));
}

TEST(RoundPercent, HalvesGoAwayFromZero) {
    EXPECT_EQ(roundPercent(41.5), 42);
    EXPECT_EQ(roundPercent(41.49), 41);
    EXPECT_EQ(roundPercent(99.5), 100);
    EXPECT_EQ(roundPercent(84.5), 85);
    EXPECT_EQ(roundPercent(12.4), 12);
}

} // namespace
} // namespace brimlow
