#include "log_fixture.h"
#include "usage/log_file.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using testing::at;

constexpr const char* kStamp = R"("timestamp":"2025-10-01T09:30:15.250Z")";

LogRows usageRows(const std::string& id, std::optional<Time> timestamp, std::int64_t input,
                  std::int64_t output, std::int64_t cacheRead, std::int64_t cacheCreation) {
    LogRows rows;
    rows.ids = id;
    rows.usage.push_back(
        {0, std::uint32_t(id.size()), timestamp, input, output, cacheRead, cacheCreation});
    return rows;
}

LogRows tokenCountRows(TokenCountRow row) {
    LogRows rows;
    rows.tokenCounts.push_back(std::move(row));
    return rows;
}

// A token-count line with neither counters nor rate limits.
TokenCountRow bare() {
    TokenCountRow row;
    row.timestamp = at("2025-10-01T09:30:15.250Z");
    return row;
}

TokenCountRow counters(std::int64_t input, std::int64_t output) {
    TokenCountRow row = bare();
    row.hasCounters = true;
    row.input = input;
    row.output = output;
    return row;
}

TokenCountRow limits(bool codexLimit, std::vector<Quota> quotas, std::optional<std::string> plan) {
    TokenCountRow row = bare();
    row.hasRateLimits = true;
    row.codexLimit = codexLimit;
    for (const auto& quota : quotas)
        row.quotas[row.quotaCount++] = quota;
    row.plan = std::move(plan);
    return row;
}

std::string line(const std::string& members) {
    return "{" + std::string(kStamp) + "," + members + "}";
}

TEST(LineReduction, KeepsOnlyTheTwoShapes) {
    const auto stamped = at("2025-10-01T09:30:15.250Z");
    const std::string usage =
        R"("usage":{"input_tokens":10,"output_tokens":5,"cache_read_input_tokens":1000,"cache_creation_input_tokens":200})";
    const std::string payload =
        R"("payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":7,"output_tokens":3}}})";
    struct Case {
        std::string line;
        LogRows expected;
    } cases[] = {
        {line(R"("message":{"id":"m1",)" + usage + "}"),
         usageRows("m1", stamped, 10, 5, 1000, 200)},
        // The timestamp is kept only as a valid RFC 3339 text.
        {R"({"message":{"id":"m1",)" + usage + "}}", usageRows("m1", {}, 10, 5, 1000, 200)},
        {R"({"timestamp":"2025-10-01T09:30:15","message":{"id":"m1",)" + usage + "}}",
         usageRows("m1", {}, 10, 5, 1000, 200)},
        // Counts follow the integral rule; anything else is 0.
        {line(
             R"("message":{"id":"m1","usage":{"input_tokens":12.0,"output_tokens":1.5,"cache_read_input_tokens":"9","cache_creation_input_tokens":null}})"),
         usageRows("m1", stamped, 12, 0, 0, 0)},
        {line(R"("message":{"id":"m1","usage":{}})"), usageRows("m1", stamped, 0, 0, 0, 0)},
        // A line of both shapes is a usage row...
        {line(R"("message":{"id":"m1",)" + usage + "}," + payload),
         usageRows("m1", stamped, 10, 5, 1000, 200)},
        // ...but a message without a text id falls through to the payload.
        {line(R"("message":{)" + usage + "}," + payload), tokenCountRows(counters(7, 3))},
        {line(R"("message":{"id":42,)" + usage + "}," + payload), tokenCountRows(counters(7, 3))},
        {line(R"("message":{"id":"m1","usage":[]})"), {}},
        {line(R"("message":{"id":42,)" + usage + "}"), {}},
        {line(payload), tokenCountRows(counters(7, 3))},
        {line(R"("payload":{"type":"token_count","info":null})"), tokenCountRows(bare())},
        {line(R"("payload":{"type":"token_count","info":{"total_token_usage":null}})"),
         tokenCountRows(bare())},
        {line(R"("payload":{"type":"token_count","info":{"total_token_usage":{}}})"),
         tokenCountRows(counters(0, 0))},
        {line(R"("payload":{"type":"agent_message","info":{"total_token_usage":{}}})"), {}},
        {line(R"("payload":"token_count")"), {}},
        {R"([{"message":{"id":"m1","usage":{}}}])", {}},
        {"42", {}},
        {R"({"message":{"id":"m1","usage":{}})", {}},
        // Broken only in a member nobody reads: still not JSON.
        {line(R"("message":{"id":"m1",)" + usage + R"(},"junk":[1,2,])"), {}},
        {line(R"("message":{"id":"m1",)" + usage + R"(},"junk":tru)"), {}},
    };
    for (const auto& c : cases) {
        LogFileReader reader;
        EXPECT_EQ(reader.readText(c.line), std::optional(c.expected)) << c.line;
    }
}

TEST(LineReduction, ReadsRateLimitSnapshots) {
    const Quota fiveHours{42.5, 300, *fromUnixSeconds(1760000000)};
    const Quota week{7, 10080, std::nullopt};
    const std::string windows =
        R"("primary":{"used_percent":42.5,"window_minutes":300,"resets_at":1760000000},"secondary":{"used_percent":7,"window_minutes":10080.0})";
    auto snapshot = [](const std::string& limits) {
        return line(R"("payload":{"type":"token_count","info":null,"rate_limits":{)" + limits +
                    "}}");
    };
    struct Case {
        std::string line;
        TokenCountRow expected;
    } cases[] = {
        {snapshot(R"("limit_id":"codex",)" + windows + R"(,"plan_type":"plus")"),
         limits(true, {fiveHours, week}, "plus")},
        {snapshot(windows), limits(true, {fiveHours, week}, std::nullopt)},
        {snapshot(R"("limit_id":7,"plan_type":7,)" + windows),
         limits(true, {fiveHours, week}, std::nullopt)},
        {snapshot(R"("limit_id":"codex_other",)" + windows),
         limits(false, {fiveHours, week}, std::nullopt)},
        // Camel-case windows are the app server's, not the logs'.
        {snapshot(R"("primary":{"usedPercent":42.5,"windowDurationMins":300})"),
         limits(true, {}, std::nullopt)},
        {snapshot(
             R"("primary":{"used_percent":"42","window_minutes":300},"secondary":{"used_percent":7,"window_minutes":10080})"),
         limits(true, {week}, std::nullopt)},
        {line(R"("payload":{"type":"token_count","rate_limits":null})"), bare()},
    };
    for (const auto& c : cases) {
        LogFileReader reader;
        EXPECT_EQ(reader.readText(c.line), std::optional(tokenCountRows(c.expected))) << c.line;
    }
}

TEST(LineSplitting, SplitsAtLineFeedsWhateverTheChunkSize) {
    const std::string a = testing::claudeLine("2025-10-01T09:30:15Z", "a", 1, 2);
    const std::string b = testing::claudeLine("2025-10-01T09:30:16Z", "b", 3, 4);
    const std::string longId(3000, 'x');
    const std::string big = testing::claudeLine("2025-10-01T09:30:17Z", longId, 5, 6);
    struct Case {
        std::string text;
        std::vector<std::string> ids;
    } cases[] = {
        {a + "\n" + b + "\n", {"a", "b"}},
        {a + "\n" + b, {"a", "b"}},                           // no final line feed
        {a + "\r\n" + b + "\r\n", {"a", "b"}},                // CRLF
        {"\n\n" + a + "\n\r\n  \n" + b + "\n\n", {"a", "b"}}, // blank lines
        {a + "\n{not json\n" + b + "\n", {"a", "b"}},         // a bad line drops only itself
        {a + "\n" + big + "\n" + b, {"a", longId, "b"}},      // a line longer than a chunk
        {a + "\r" + b + "\n", {}},                            // a lone CR does not split
        {"", {}},
    };
    for (const auto& c : cases) {
        for (std::size_t chunk :
             {std::size_t(1), std::size_t(7), std::size_t(256), kDefaultChunkBytes}) {
            LogFileReader reader(chunk);
            auto rows = reader.readText(c.text);
            ASSERT_TRUE(rows) << c.text;
            std::vector<std::string> ids;
            for (const auto& row : rows->usage)
                ids.emplace_back(rows->id(row));
            EXPECT_EQ(ids, c.ids) << "chunk " << chunk << ": " << c.text;
        }
    }
}

TEST(LineSplitting, RejectsTextThatIsNotUtf8) {
    const std::string good = testing::claudeLine("2025-10-01T09:30:15Z", "a", 1, 2);
    const std::string cases[] = {
        good + "\n\xff\xfe\n", // a line of junk bytes
        good + "\n" + testing::claudeLine("2025-10-01T09:30:15Z", "b\xc3", 1, 2) + "\n",
        good + "\n{\"x\":1}\xe2\x82\n", // cut-off sequence after JSON
        good + "\n\xed\xa0\x80\n",      // a UTF-16 surrogate
    };
    for (const auto& text : cases) {
        LogFileReader reader;
        EXPECT_EQ(reader.readText(text), std::nullopt) << text;
    }
    LogFileReader reader;
    EXPECT_TRUE(reader.readText(good + "\n{\"x\":\"한도 ✅\"}\n"));
}

} // namespace
} // namespace brimlow
