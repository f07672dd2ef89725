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
    printSnapshot(out, reader, {home + "/.codex/sessions", {home + "/.claude/projects"}},
                  todayStart, fetch);
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

} // namespace
} // namespace brimlow
