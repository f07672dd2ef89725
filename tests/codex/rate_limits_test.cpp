#include "codex/rate_limits.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace brimlow {
namespace {

using nlohmann::json;

TEST(ParseCodexLimits, ReadsPrimaryThenSecondaryAndThePlan) {
    json camel = json::parse(R"({
        "primary": {"usedPercent": 42.5, "windowDurationMins": 300, "resetsAt": 1760000000},
        "secondary": {"usedPercent": 7, "windowDurationMins": 10080, "resetsAt": 1760000000.5},
        "planType": "plus"})");
    std::vector<Quota> expected{{42.5, 300, fromUnixSeconds(1760000000)},
                                {7, 10080, fromUnixSeconds(1760000000.5)}};
    EXPECT_EQ(parseCodexLimits(camel).quotas, expected);
    EXPECT_EQ(parseCodexLimits(camel).plan, "plus");
    // An unusable primary leaves the secondary first; snake case is the logs'.
    json mixed = json::parse(R"({"primary": {"used_percent": 5, "window_minutes": 300},
        "secondary": {"usedPercent": 7, "windowDurationMins": 10080, "resetsAt": 1760000000.5},
        "planType": 1})");
    EXPECT_EQ(parseCodexLimits(mixed).quotas, (std::vector<Quota>{expected[1]}));
    EXPECT_EQ(parseCodexLimits(mixed).plan, std::nullopt);

    const std::pair<const char*, std::vector<Quota>> windows[] = {
        {R"({"usedPercent": 130, "windowDurationMins": 300})", {{100, 300, {}}}},
        {R"({"usedPercent": -5, "windowDurationMins": 300})", {{0, 300, {}}}},
        {R"({"usedPercent": 5, "windowDurationMins": 300.5})", {}},
        {R"({"windowDurationMins": 300})", {}},
        {R"({"usedPercent": 5, "windowDurationMins": 300, "resetsAt": "soon"})", {{5, 300, {}}}},
        {R"({"usedPercent": 5, "windowDurationMins": 18446744073709551615})", {}},
    };
    for (const auto& [window, quotas] : windows)
        EXPECT_EQ(parseCodexLimits({{"primary", json::parse(window)}}).quotas, quotas) << window;
}

} // namespace
} // namespace brimlow
