#include "app/snapshot.h"
#include "test_support/temp_dir.h"
#include "usage/local_usage_reader.h"

#include <fstream>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

using nlohmann::json;

// Runs printSnapshot into memory.
std::string snapshotText(const std::string& home, Time todayStart, const CodexQuotaFetch& fetch) {
    char* data = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    LocalUsageReader reader;
    printSnapshot(out, reader, home, todayStart, fetch);
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}

TEST(FormatPercent, ShortestRoundTripWithAFractionDigit) {
    EXPECT_EQ(formatPercent(12), "12.0");
    EXPECT_EQ(formatPercent(7.5), "7.5");
    EXPECT_EQ(formatPercent(0), "0.0");
    EXPECT_EQ(formatPercent(100), "100.0");
    EXPECT_EQ(formatPercent(33.333333333333336), "33.333333333333336");
    EXPECT_EQ(formatPercent(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(formatPercent(0.00001), "0.00001");
}

TEST(Snapshot, EmptyHomeShowsZeroesThenTheQueryError) {
    TempDir home;
    auto text = snapshotText(home.path(), Time{}, [] {
        return Result<json>(Error{"Codex CLI를 찾을 수 없습니다", 1});
    });
    EXPECT_EQ(text, "Codex: 0 usage records; today 0 tokens\n"
                    "Claude: 0 usage records; today 0 tokens\n"
                    "Codex CLI를 찾을 수 없습니다\n");
}

TEST(Snapshot, PrintsEveryWindowWithItsLabel) {
    TempDir home;
    json answer = json::parse(R"({
        "primary": {"usedPercent": 42, "windowDurationMins": 300, "resetsAt": 1760000000},
        "secondary": {"usedPercent": 7.5, "windowDurationMins": 60}})");
    auto text = snapshotText(home.path(), Time{}, [&] { return Result<json>(answer); });
    EXPECT_EQ(text, "Codex: 0 usage records; today 0 tokens\n"
                    "Claude: 0 usage records; today 0 tokens\n"
                    "Codex 5시간: 42.0% used\n"
                    "Codex 60분: 7.5% used\n");
    auto none = snapshotText(home.path(), Time{}, [] { return Result<json>(json::object()); });
    EXPECT_EQ(none, "Codex: 0 usage records; today 0 tokens\n"
                    "Claude: 0 usage records; today 0 tokens\n");
}

TEST(Snapshot, CountsAllRecordsButOnlyTodaysTokens) {
    TempDir home;
    home.write(
        ".claude/projects/p/s.jsonl",
        R"({"timestamp":"2025-10-01T09:00:00Z","message":{"id":"m1","usage":{"input_tokens":5,"output_tokens":7,"cache_read_input_tokens":100}}})"
        "\n"
        R"({"timestamp":"2025-10-02T09:00:00Z","message":{"id":"m2","usage":{"input_tokens":1,"output_tokens":2}}})"
        "\n");
    home.write(
        ".codex/sessions/2025/10/02/rollout-a.jsonl",
        R"({"timestamp":"2025-10-02T10:00:00Z","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":40,"output_tokens":2}}}})"
        "\n");
    Time today = *parseRfc3339("2025-10-02T00:00:00Z");
    auto text = snapshotText(home.path(), today, [] { return Result<json>(json::object()); });
    EXPECT_EQ(text, "Codex: 1 usage records; today 42 tokens\n"
                    "Claude: 2 usage records; today 3 tokens\n");
}

} // namespace
} // namespace brimlow
