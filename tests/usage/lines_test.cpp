// Records' rounding, totals and sums, and log text reduced to rows line by line.
#include "log_fixture.h"
#include "test_support/time_zone.h"
#include "usage/log_file.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using testing::claudeLine;

TEST(Records, RoundPercent) {
    EXPECT_EQ(roundPercent(84.5), 85); // half away from zero, not to even
    EXPECT_EQ(roundPercent(41.49), 41);
}

TEST(Records, TotalsCountEntriesAtOrAfterSince) {
    Time t0{std::chrono::seconds(1000)};
    ProviderUsage usage;
    usage.entries = {
        {"a", t0 - std::chrono::microseconds(1), 1, 2, 3},
        {"b", t0, 10, 20, 30},
        {"c", t0 + std::chrono::hours(1), 100, 200, 300},
    };
    EXPECT_EQ(usage.totals(t0), (TokenTotals{110, 220, 330}));
    // Sums of outside counts stop at the end of the range instead of wrapping
    // around to a negative total.
    usage.entries.push_back({"d", t0, INT64_MAX, 1, INT64_MAX});
    EXPECT_EQ(usage.totals(t0), (TokenTotals{INT64_MAX, 221, INT64_MAX}));
    EXPECT_EQ(usage.totals(t0).sum(), INT64_MAX);
}

// What the running application keeps instead of entries: for every period,
// in every time zone, the same figures, while the records stand for days.
TEST(Records, SumsGiveEachPeriodsFiguresInEveryTimeZone) {
    using namespace std::chrono;
    const Time built = utc("2025-10-20T17:05:00Z");
    ProviderUsage oneByOne, summed;
    std::uint64_t seed = 7;
    for (Time t = built - days(12); t < built + days(3); t += minutes(7) + seconds(11)) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        TokenEntry entry{"", t, std::int64_t(seed >> 50), std::int64_t(seed >> 52), 1};
        oneByOne.entries.push_back(entry);
        addToSums(summed.sums, t, {entry.input, entry.output, entry.cache}, fineSumsFrom(built));
    }
    EXPECT_LT(summed.sums.size(), oneByOne.entries.size() / 2);
    EXPECT_EQ(summed.recordCount(), std::int64_t(oneByOne.entries.size()));
    for (const char* zone : {"UTC", "Asia/Kathmandu", "Pacific/Marquesas", "Pacific/Kiritimati",
                             "America/St_Johns", "Pacific/Chatham", "America/Los_Angeles"}) {
        InTimeZone local(zone);
        for (Time now : {built, built + hours(29), built + days(2) + hours(23)}) {
            Time today = startOfLocalDay(now);
            for (Time since : {today, addLocalDays(today, -6), distantPast()})
                EXPECT_EQ(summed.totals(since), oneByOne.totals(since))
                    << zone << " " << formatUtcSeconds(now) << " " << formatUtcSeconds(since);
        }
    }
}

const Time kStamp = utc("2025-10-01T09:30:15.250Z");

// A line with the stamp above and `members`.
std::string line(const std::string& members) {
    return R"({"timestamp":"2025-10-01T09:30:15.250Z",)" + members + "}";
}

LogRows usage(std::optional<Time> when, std::int64_t in, std::int64_t out, std::int64_t read,
              std::int64_t created) {
    return {{{0, 2, when, in, out, read, created}}, {}, "m1"};
}

LogRows tokenCount(TokenCountRow row) {
    row.timestamp = kStamp;
    return {{}, {row}, {}};
}

TokenCountRow counters(std::int64_t in, std::int64_t out) {
    return {.hasCounters = true, .input = in, .output = out};
}

TokenCountRow limits(bool codex, std::vector<Quota> quotas) {
    TokenCountRow row{.hasRateLimits = true, .codexLimit = codex};
    for (const auto& quota : quotas)
        row.quotas[row.quotaCount++] = quota;
    return row;
}

TEST(LineReduction, KeepsUsageRowsAndTokenCountRowsOnly) {
    const std::string use =
        R"("usage":{"input_tokens":10,"output_tokens":5,"cache_read_input_tokens":1000,"cache_creation_input_tokens":200})";
    const std::string payload =
        R"("payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":7,"output_tokens":3}}})";
    const std::string windows =
        R"("primary":{"used_percent":42.5,"window_minutes":300,"resets_at":1760000000},"secondary":{"used_percent":7,"window_minutes":10080.0})";
    const Quota fiveHours{42.5, 300, *fromUnixSeconds(1760000000)}, week{7, 10080, {}};
    auto snapshot = [](const std::string& limits) {
        return line(R"("payload":{"type":"token_count","info":null,"rate_limits":{)" + limits +
                    "}}");
    };
    const std::pair<std::string, LogRows> cases[] = {
        {line(R"("message":{"id":"m1",)" + use + "}"), usage(kStamp, 10, 5, 1000, 200)},
        // Without a timestamp there is no time.
        {R"({"message":{"id":"m1",)" + use + "}}", usage({}, 10, 5, 1000, 200)},
        // A line of both shapes is a usage row...
        {line(R"("message":{"id":"m1",)" + use + "}," + payload), usage(kStamp, 10, 5, 1000, 200)},
        // ...but a message without a text id falls through to the payload.
        {line(R"("message":{"id":42,)" + use + "}," + payload), tokenCount(counters(7, 3))},
        {line(R"("message":{"id":"m1","usage":{}})"), usage(kStamp, 0, 0, 0, 0)},
        // Counts below zero count as none.
        {line(
             R"("message":{"id":"m1","usage":{"input_tokens":-10,"output_tokens":-1e3,"cache_read_input_tokens":-9223372036854775808,"cache_creation_input_tokens":5}})"),
         usage(kStamp, 0, 0, 0, 5)},
        {line(R"("message":{"id":"m1","usage":[]})"), {}},
        {line(R"("payload":{"type":"token_count","info":null})"), tokenCount({})},
        // Not whole, or broken only in a member nobody reads.
        {R"({"message":{"id":"m1","usage":{}})", {}},
        {line(R"("message":{"id":"m1",)" + use + R"(},"junk":[1,2,])"), {}},
        // Rate-limit snapshots, in snake-case keys; a limit_id that is no text
        // counts as the codex limit.
        {snapshot(R"("limit_id":7,"plan_type":7,)" + windows),
         tokenCount(limits(true, {fiveHours, week}))},
        {snapshot(
             R"("primary":{"used_percent":"42","window_minutes":300},"secondary":{"used_percent":7,"window_minutes":10080})"),
         tokenCount(limits(true, {week}))},
    };
    for (const auto& [text, expected] : cases) {
        LogFileReader reader;
        EXPECT_EQ(reader.readText(text), std::optional(expected)) << text;
    }
}

TEST(LineSplitting, SplitsAtLineFeedsWhateverTheChunkSizeAndRejectsNonUtf8) {
    const std::string a = claudeLine("2025-10-01T09:30:15Z", "a", 1, 2);
    const std::string b = claudeLine("2025-10-01T09:30:16Z", "b", 3, 4);
    const std::string longId(3000, 'x');
    const std::string big = claudeLine("2025-10-01T09:30:17Z", longId, 5, 6);
    using Ids = std::optional<std::vector<std::string>>;
    const std::pair<std::string, Ids> cases[] = {
        {a + "\n" + b + "\n", {{"a", "b"}}},
        {a + "\n" + b, {{"a", "b"}}},                           // no final line feed
        {a + "\r\n" + b + "\r\n", {{"a", "b"}}},                // CRLF
        {"\n\n" + a + "\n\r\n  \n" + b + "\n\n", {{"a", "b"}}}, // blank lines
        {a + "\n{not json\n" + b + "\n", {{"a", "b"}}},         // a bad line drops only itself
        {a + "\n" + big + "\n" + b, {{"a", longId, "b"}}},      // a line longer than a chunk
        {a + "\r" + b + "\n", Ids(std::in_place)},              // a lone CR does not split
        {a + "\n{\"x\":\"한도 ✅\"}\n", {{"a"}}},
        // Any line that is not UTF-8 rejects the whole text.
        {a + "\n\xff\xfe\n", std::nullopt},
        {a + "\n" + claudeLine("2025-10-01T09:30:15Z", "b\xc3", 1, 2) + "\n", std::nullopt},
        {a + "\n\xed\xa0\x80\n", std::nullopt}, // a UTF-16 surrogate
    };
    for (const auto& [text, expected] : cases) {
        for (std::size_t chunk : {std::size_t(1), std::size_t(7), kDefaultChunkBytes}) {
            LogFileReader reader(chunk);
            auto rows = reader.readText(text);
            Ids ids;
            if (rows) {
                ids.emplace();
                for (const auto& row : rows->usage)
                    ids->emplace_back(rows->id(row));
            }
            EXPECT_EQ(ids, expected) << "chunk " << chunk << ": " << text;
        }
    }
}

} // namespace
} // namespace brimlow
