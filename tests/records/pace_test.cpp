// The pace rule on tables of samples, as the readers hand them over.
#include "records/pace.h"
#include "test_support/time_zone.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

const Time kNow = utc("2025-10-01T12:00:00Z");
const Quota kWindow{60, kFiveHourWindow, kNow + 3h};

// A sample of `kWindow` (or of `window`) `ago` before now.
QuotaSample at(std::chrono::seconds ago, double percent, Quota window = kWindow) {
    window.percent = percent;
    return {kNow - ago, window};
}

TEST(WindowPace, OverTheLastHourOfTheWindowsOwnSamples) {
    const Quota previous{0, kFiveHourWindow, kNow - 30min}, week{0, kWeekWindow, kNow + 72h};
    Quota jittered = kWindow;
    *jittered.reset += 90s;
    struct Case {
        const char* what;
        std::vector<QuotaSample> samples;
        std::optional<double> perHour;              // no pace at all
        std::optional<std::chrono::minutes> fullIn; // from now
        bool runsOut = false;
    } cases[] = {
        {"a steady rise", {at(60min, 40), at(30min, 50), at(0s, 60)}, 20, 120min, true},
        {"a younger window", {at(20min, 50), at(0s, 60)}, 30, 80min, true},
        {"older samples don't count",
         {at(3h, 0), at(90min, 10), at(30min, 50), at(0s, 60)},
         20,
         120min,
         true},
        {"the reset comes first", {at(60min, 58), at(0s, 60)}, 2, 1200min, false},
        {"a reset in the middle: the earlier window's samples are another's",
         {at(50min, 90, previous), at(40min, 95, previous), at(20min, 50), at(0s, 60)},
         30,
         80min,
         true},
        {"the reset reported a little differently is the same window",
         {at(30min, 50, jittered), at(0s, 60)},
         20,
         120min,
         true},
        {"another window's length", {at(30min, 10, week), at(0s, 60)}, {}, {}},
        {"a gap: one sample in the hour", {at(2h, 10), at(0s, 60)}, {}, {}},
        {"less than five minutes apart", {at(4min, 50), at(0s, 60)}, {}, {}},
        {"one sample", {at(0s, 60)}, {}, {}},
        {"the clock set back: a sample from the future",
         {at(-10min, 99), at(30min, 50), at(0s, 60)},
         20,
         120min,
         true},
        {"falling", {at(30min, 65), at(0s, 60)}, -10, {}},
        {"flat", {at(30min, 60), at(0s, 60)}, 0, {}},
        {"full already", {at(30min, 90), at(0s, 100)}, 20, 0min, true},
    };
    for (const auto& c : cases) {
        auto pace = windowPace(kWindow, c.samples, kNow);
        ASSERT_EQ(pace.has_value(), c.perHour.has_value()) << c.what;
        if (!pace)
            continue;
        EXPECT_NEAR(pace->percentPerHour, *c.perHour, 1e-9) << c.what;
        ASSERT_EQ(pace->projectedFullAt.has_value(), c.fullIn.has_value()) << c.what;
        if (c.fullIn) {
            EXPECT_NEAR(toUnixSeconds(*pace->projectedFullAt), toUnixSeconds(kNow + *c.fullIn),
                        1e-3)
                << c.what;
        }
        EXPECT_EQ(pace->runsOutBeforeReset, c.runsOut) << c.what;
    }
}

} // namespace
} // namespace brimlow
