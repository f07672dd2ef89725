#include "app/snapshot.h"
#include "test_support/temp_dir.h"
#include "usage/local_usage_reader.h"

#include <fstream>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

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

TEST(Snapshot, PrintsEveryWindowWithItsLabel) {
    TempDir home;
    CodexLimits answer{{{42, 300, *fromUnixSeconds(1760000000)}, {7.5, 60, std::nullopt}}, {}};
    auto text = snapshotText(home.path(), Time{}, [&] { return Result<CodexLimits>(answer); });
    EXPECT_EQ(text, "Codex: 0 usage records; today 0 tokens\n"
                    "Claude: 0 usage records; today 0 tokens\n"
                    "Codex 5시간: 42.0% used\n"
                    "Codex 60분: 7.5% used\n");
    auto failed = snapshotText(home.path(), Time{}, [] {
        return Result<CodexLimits>(Error{ErrorKind::Rejected, "refused"});
    });
    EXPECT_EQ(failed, "Codex: 0 usage records; today 0 tokens\n"
                      "Claude: 0 usage records; today 0 tokens\n"
                      "Codex 로그인 또는 한도 조회 실패\n");
}

} // namespace
} // namespace brimlow
