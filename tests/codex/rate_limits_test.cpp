#include "codex/rate_limits.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace brimlow {
namespace {

using nlohmann::json;

Time at(double seconds) {
    return *fromUnixSeconds(seconds);
}

TEST(ParseQuotas, ReadsPrimaryThenSecondaryInTheChosenKeyStyle) {
    json camel = json::parse(R"({
        "primary": {"usedPercent": 42.5, "windowDurationMins": 300, "resetsAt": 1760000000},
        "secondary": {"usedPercent": 7, "windowDurationMins": 10080, "resetsAt": 1760000000.5},
        "planType": "plus"})");
    std::vector<Quota> expected{{42.5, 300, at(1760000000)}, {7, 10080, at(1760000000.5)}};
    EXPECT_EQ(parseQuotas(camel, KeyStyle::Camel), expected);
    EXPECT_TRUE(parseQuotas(camel, KeyStyle::Snake).empty());

    json snake = json::parse(R"({
        "primary": {"used_percent": 42.5, "window_minutes": 300, "resets_at": 1760000000}})");
    EXPECT_EQ(parseQuotas(snake, KeyStyle::Snake), (std::vector<Quota>{expected[0]}));
    EXPECT_TRUE(parseQuotas(snake, KeyStyle::Camel).empty());
}

TEST(ParseQuotas, AppliesTheWindowRules) {
    struct Case {
        const char* window;
        std::optional<Quota> expected;
    } cases[] = {
        {R"({"usedPercent": 130, "windowDurationMins": 300})", Quota{100, 300, {}}},
        {R"({"usedPercent": -5, "windowDurationMins": 300})", Quota{0, 300, {}}},
        {R"({"usedPercent": 5, "windowDurationMins": 300.0})", Quota{5, 300, {}}},
        {R"({"usedPercent": 5, "windowDurationMins": 300.5})", std::nullopt},
        {R"({"usedPercent": 5, "windowDurationMins": "300"})", std::nullopt},
        {R"({"usedPercent": "5", "windowDurationMins": 300})", std::nullopt},
        {R"({"usedPercent": true, "windowDurationMins": 300})", std::nullopt},
        {R"({"windowDurationMins": 300})", std::nullopt},
        {R"({"usedPercent": 5})", std::nullopt},
        {R"({"usedPercent": 5, "windowDurationMins": 300, "resetsAt": "soon"})", Quota{5, 300, {}}},
        {R"({"usedPercent": 5, "windowDurationMins": 300, "resetsAt": 1e300})", Quota{5, 300, {}}},
        {R"({"usedPercent": 5, "windowDurationMins": 18446744073709551615})", std::nullopt},
        {R"("not a window")", std::nullopt},
    };
    for (const auto& c : cases) {
        json snapshot{{"primary", json::parse(c.window)}};
        auto quotas = parseQuotas(snapshot, KeyStyle::Camel);
        if (c.expected)
            EXPECT_EQ(quotas, std::vector<Quota>{*c.expected}) << c.window;
        else
            EXPECT_TRUE(quotas.empty()) << c.window;
    }
}

TEST(ParseQuotas, AnUnusablePrimaryLeavesTheSecondaryFirst) {
    json snapshot = json::parse(R"({
        "primary": {"usedPercent": "x", "windowDurationMins": 300},
        "secondary": {"usedPercent": 3, "windowDurationMins": 10080}})");
    EXPECT_EQ(parseQuotas(snapshot, KeyStyle::Camel), (std::vector<Quota>{{3, 10080, {}}}));
    EXPECT_TRUE(parseQuotas(json::object(), KeyStyle::Camel).empty());
    EXPECT_TRUE(parseQuotas(json::array(), KeyStyle::Camel).empty());
}

} // namespace
} // namespace brimlow
