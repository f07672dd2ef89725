// The Codex and Claude records built from small log trees.
#include "log_fixture.h"
#include "usage/local_usage_reader.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using testing::at;
using testing::claudeLine;
using testing::codexLimitsLine;
using testing::codexLine;
using testing::jsonl;
using testing::TempTree;

struct Counts {
    std::int64_t input;
    std::int64_t output;
    bool operator==(const Counts&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Counts& c) {
        return out << "(" << c.input << ", " << c.output << ")";
    }
};

std::vector<Counts> counts(const ProviderUsage& usage) {
    std::vector<Counts> result;
    for (const auto& entry : usage.entries) {
        EXPECT_EQ(entry.cache, 0);
        result.push_back({entry.input, entry.output});
    }
    return result;
}

std::string limits(double percent, const std::string& extra = {}) {
    return R"({"primary":{"used_percent":)" + std::to_string(percent) +
           R"(,"window_minutes":300,"resets_at":1760000000})" + extra + "}";
}

std::vector<Quota> fiveHours(double percent) {
    return {Quota{percent, 300, *fromUnixSeconds(1760000000)}};
}

TEST(CodexUsage, TurnsCumulativeCountersIntoDeltasPerFile) {
    TempTree tree;
    tree.write("2025/10/01/a.jsonl", jsonl({
                                         codexLine("2025-10-01T09:30:15.250Z", 100, 10),
                                         codexLine("2025-10-01T09:31:00Z", 250, 40),
                                         codexLine("2025-10-01T09:32:00Z", 250, 45),
                                         codexLine("2025-10-01T09:33:00Z", 30, 50), // restarted
                                         codexLine("2025-10-01T09:34:00Z", 80, 20),
                                     }));
    // Lines without a usable time change nothing, the previous counts included.
    tree.write(
        "2025/10/01/b.jsonl",
        jsonl({
            codexLine("2025-10-01T10:00:00Z", 1000, 100),
            codexLine("", 5000, 500),
            codexLine("2025-10-01 10:01:00", 5000, 500),
            R"({"payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":5000}}}})",
            R"({"timestamp":"2025-10-01T10:02:00+09:00","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":1500,"output_tokens":150.5}}}})",
        }));
    LocalUsageReader reader;
    auto usage = reader.codex(tree.root());
    // a: 100, 250, 250, then a restart at 30; b: the unusable lines skipped,
    // the output 150.5 counting as 0 and so as a restart.
    std::vector<Counts> expected{{100, 10}, {150, 30},   {0, 5},  {30, 5},
                                 {50, 20},  {1000, 100}, {500, 0}};
    EXPECT_EQ(counts(usage), expected);
    ASSERT_EQ(usage.entries.size(), 7u);
    EXPECT_EQ(usage.entries[0].id, tree.path("2025/10/01/a.jsonl") + ":2025-10-01 09:30:15 +0000");
    EXPECT_EQ(usage.entries[0].date, at("2025-10-01T09:30:15.250Z"));
    EXPECT_EQ(usage.entries[6].id, tree.path("2025/10/01/b.jsonl") + ":2025-10-01 01:02:00 +0000");
    EXPECT_EQ(usage.status, "로컬 기록 · 한도 스냅샷");
    EXPECT_TRUE(usage.quotas.empty());
    EXPECT_EQ(usage.quotaDate, std::nullopt);
}

TEST(CodexUsage, KeepsTheNewestUsableCodexSnapshot) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files; // path, text
        std::vector<Quota> quotas;
        std::optional<Time> quotaDate;
        std::optional<std::string> plan;
    } cases[] = {
        {"a line without counters still carries its snapshot",
         {{"a.jsonl",
           jsonl({codexLimitsLine("2025-10-01T09:00:00Z", limits(12, R"(,"plan_type":"plus")"))})}},
         fiveHours(12),
         at("2025-10-01T09:00:00Z"),
         "plus"},
        {"newest wins wherever its file lies",
         {{"a.jsonl", jsonl({codexLimitsLine("2025-10-02T09:00:00Z", limits(20))})},
          {"b.jsonl", jsonl({codexLimitsLine("2025-10-01T09:00:00Z", limits(10))})}},
         fiveHours(20),
         at("2025-10-02T09:00:00Z"),
         std::nullopt},
        {"equal times keep the first met",
         {{"a.jsonl",
           jsonl({codexLimitsLine("2025-10-01T09:00:00Z", limits(10, R"(,"plan_type":"plus")"))})},
          {"b.jsonl", jsonl({codexLimitsLine("2025-10-01T09:00:00.000Z",
                                             limits(20, R"(,"plan_type":"pro")"))})}},
         fiveHours(10),
         at("2025-10-01T09:00:00Z"),
         "plus"},
        {"another limit's snapshot is ignored, one without limit_id is used",
         {{"a.jsonl",
           jsonl({codexLimitsLine("2025-10-01T09:00:00Z", limits(10, R"(,"limit_id":"codex")")),
                  codexLimitsLine("2025-10-01T10:00:00Z", limits(30, R"(,"limit_id":"other")")),
                  codexLimitsLine("2025-10-01T09:30:00Z", limits(20))})}},
         fiveHours(20),
         at("2025-10-01T09:30:00Z"),
         std::nullopt},
        {"a newer snapshot without usable windows changes nothing",
         {{"a.jsonl",
           jsonl(
               {codexLimitsLine("2025-10-01T09:00:00Z", limits(10, R"(,"plan_type":"plus")")),
                codexLimitsLine(
                    "2025-10-01T10:00:00Z",
                    R"({"primary":{"used_percent":"50","window_minutes":300},"plan_type":"pro"})")})}},
         fiveHours(10),
         at("2025-10-01T09:00:00Z"),
         "plus"},
        {"a newer usable snapshot without plan_type clears the plan",
         {{"a.jsonl",
           jsonl({codexLimitsLine("2025-10-01T09:00:00Z", limits(10, R"(,"plan_type":"plus")")),
                  codexLimitsLine("2025-10-01T10:00:00Z", limits(20))})}},
         fiveHours(20),
         at("2025-10-01T10:00:00Z"),
         std::nullopt},
        {"a snapshot on a line without a usable time is ignored",
         {{"a.jsonl", jsonl({codexLimitsLine("yesterday", limits(10))})}},
         {},
         std::nullopt,
         std::nullopt},
    };
    for (const auto& c : cases) {
        TempTree tree;
        for (const auto& [path, text] : c.files)
            tree.write(path, text);
        LocalUsageReader reader;
        auto usage = reader.codex(tree.root());
        EXPECT_EQ(usage.quotas, c.quotas) << c.name;
        EXPECT_EQ(usage.quotaDate, c.quotaDate) << c.name;
        EXPECT_EQ(usage.plan, c.plan) << c.name;
        EXPECT_TRUE(usage.entries.empty()) << c.name;
        // The status speaks of the entries only.
        EXPECT_EQ(usage.status, "로컬 기록 없음") << c.name;
    }
}

TEST(CodexUsage, IgnoresOtherLinesAndClaudeLogs) {
    TempTree tree;
    tree.write("a.jsonl",
               jsonl({R"({"timestamp":"2025-10-01T09:00:00Z","payload":{"type":"agent_message"}})",
                      claudeLine("2025-10-01T09:00:00Z", "m1", 10, 10)}));
    LocalUsageReader reader;
    auto usage = reader.codex(tree.root());
    EXPECT_EQ(usage, (ProviderUsage{{}, {}, std::nullopt, "로컬 기록 없음", std::nullopt}));
}

struct Expected {
    std::string id;
    const char* date;
    std::int64_t input, output, cache;
};

std::vector<TokenEntry> entries(std::initializer_list<Expected> expected) {
    std::vector<TokenEntry> result;
    for (const auto& e : expected)
        result.push_back({e.id, at(e.date), e.input, e.output, e.cache});
    return result;
}

TEST(ClaudeUsage, CountsEachMessageOnceWithItsHeaviestLine) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::vector<TokenEntry> expected;
    } cases[] = {
        {"the strictly heaviest line wins and dates the entry",
         {{"p/a.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m", 10, 5, 100),
                               claudeLine("2025-10-01T09:00:01Z", "m", 10, 50, 100),
                               claudeLine("2025-10-01T09:00:02Z", "m", 10, 20, 100)})}},
         entries({{"m", "2025-10-01T09:00:01Z", 10, 50, 100}})},
        {"equal weights keep the first line met, in path order",
         {{"p/b.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m", 1, 2, 3)})},
          {"p/a.jsonl", jsonl({claudeLine("2025-10-01T08:00:00Z", "m", 3, 2, 1),
                               claudeLine("2025-10-01T08:00:01Z", "m", 2, 2, 2)})}},
         entries({{"m", "2025-10-01T08:00:00Z", 3, 2, 1}})},
        {"one message across files counts once",
         {{"p/a.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m", 1, 1),
                               claudeLine("2025-10-01T09:00:00Z", "n", 2, 2)})},
          {"q/a.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m", 1, 1)})}},
         entries({{"m", "2025-10-01T09:00:00Z", 1, 1, 0}, {"n", "2025-10-01T09:00:00Z", 2, 2, 0}})},
        {"cache is read plus creation",
         {{"a.jsonl",
           jsonl(
               {claudeLine("2025-10-01T09:00:00Z", "m", 1, 1, 1000, 200),
                R"({"timestamp":"2025-10-01T09:00:00Z","message":{"id":"n","usage":{"input_tokens":4}}})"})}},
         entries(
             {{"m", "2025-10-01T09:00:00Z", 1, 1, 1200}, {"n", "2025-10-01T09:00:00Z", 4, 0, 0}})},
        {"counts must be integral; a zero fraction is fine",
         {{"a.jsonl",
           jsonl(
               {R"({"timestamp":"2025-10-01T09:00:00Z","message":{"id":"m","usage":{"input_tokens":12.0,"output_tokens":1.5,"cache_read_input_tokens":"7"}}})"})}},
         entries({{"m", "2025-10-01T09:00:00Z", 12, 0, 0}})},
        {"messages without a text id are not counted",
         {{"a.jsonl",
           jsonl(
               {R"({"timestamp":"2025-10-01T09:00:00Z","message":{"usage":{"input_tokens":1}}})",
                R"({"timestamp":"2025-10-01T09:00:00Z","message":{"id":7,"usage":{"input_tokens":1}}})"})}},
         {}},
        {"a line without a usable time is dropped; a later one supplies the entry",
         {{"a.jsonl", jsonl({claudeLine("not a time", "m", 100, 100),
                             R"({"message":{"id":"m","usage":{"input_tokens":100}}})",
                             claudeLine("2025-10-01T09:00:05+02:00", "m", 1, 1)})}},
         entries({{"m", "2025-10-01T07:00:05Z", 1, 1, 0}})},
    };
    for (const auto& c : cases) {
        TempTree tree;
        for (const auto& [path, text] : c.files)
            tree.write(path, text);
        LocalUsageReader reader;
        auto usage = reader.claude(tree.root());
        auto sorted = usage.entries;
        std::sort(sorted.begin(), sorted.end(),
                  [](const TokenEntry& a, const TokenEntry& b) { return a.id < b.id; });
        EXPECT_EQ(sorted, c.expected) << c.name;
        EXPECT_EQ(usage.status, c.expected.empty() ? "로컬 기록 없음" : "Claude Code 로컬 기록")
            << c.name;
        EXPECT_TRUE(usage.quotas.empty()) << c.name;
        EXPECT_EQ(usage.quotaDate, std::nullopt) << c.name;
        EXPECT_EQ(usage.plan, std::nullopt) << c.name;
    }
}

TEST(ClaudeUsage, ExtremeCountsSaturateInsteadOfWrapping) {
    TempTree tree;
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    tree.write("a.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m", 1, 1, max, max),
                                 claudeLine("2025-10-01T09:00:01Z", "m", 5, 5, 5, 5)}));
    LocalUsageReader reader;
    auto usage = reader.claude(tree.root());
    ASSERT_EQ(usage.entries.size(), 1u);
    // Wrapped sums would make the first line look light and the second win.
    EXPECT_EQ(usage.entries[0].cache, max);
    EXPECT_EQ(usage.entries[0].date, at("2025-10-01T09:00:00Z"));
}

// Unchanged logs give back the record built last time; every kind of change
// must still show up.
TEST(Reader, ReusesARecordOnlyWhileItsFilesAreUnchanged) {
    TempTree tree;
    LocalUsageReader reader;
    tree.write("claude/p/a.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m1", 1, 2)}));
    tree.write("claude/p/b.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m2", 3, 4)}));
    tree.write("codex/x.jsonl", jsonl({codexLine("2025-10-01T09:00:00Z", 10, 1)}));
    auto total = [&] { return reader.claude(tree.path("claude")).totals(Time::min()).sum(); };
    EXPECT_EQ(total(), 10);
    EXPECT_EQ(total(), 10);

    tree.write("claude/p/a.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m1", 100, 2)}));
    EXPECT_EQ(total(), 109) << "a changed file";

    std::filesystem::remove(tree.path("claude/p/b.jsonl"));
    EXPECT_EQ(total(), 102) << "a deleted file";

    // A scan of the other root in between changes nothing here.
    EXPECT_EQ(reader.codex(tree.path("codex")).entries.size(), 1u);
    EXPECT_EQ(total(), 102);

    tree.write("claude/q/c.jsonl", jsonl({claudeLine("2025-10-01T09:00:00Z", "m3", 5, 5)}));
    EXPECT_EQ(total(), 112) << "a new file";
    std::filesystem::rename(tree.path("claude/q"), tree.path("claude/.q"));
    EXPECT_EQ(total(), 102) << "a file that became hidden";
}

} // namespace
} // namespace brimlow
