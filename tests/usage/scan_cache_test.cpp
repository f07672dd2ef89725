// The reader's cache on disk: a second reader starts from it, and a cache
// that is damaged, of another version or being written by someone else
// never changes a figure.
#include "base/files.h"
#include "log_fixture.h"
#include "test_support/temp_dir.h"
#include "usage/local_usage_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

namespace brimlow {
namespace {

using namespace testing;

class ScanCache : public ::testing::Test {
protected:
    ScanCache() {
        logs.write("a.jsonl", codexLine("2025-10-01T09:30:00Z", 100, 10) + "\n" +
                                  claudeLine("2025-10-01T09:30:00Z", "m", 5, 5) + "\n");
        logs.write("b.jsonl.zst", zstd(claudeLine("2025-10-01T09:31:00Z", "n", 7, 7, 3) + "\n"));
        LocalUsageReader first;
        expected = {first.codex(logs.path()), first.claude(logs.path())};
        EXPECT_TRUE(first.saveTo(path).ok());
    }
    std::pair<ProviderUsage, ProviderUsage> restored() {
        LocalUsageReader reader;
        reader.restoreFrom(path);
        return {reader.codex(logs.path()), reader.claude(logs.path())};
    }

    TempDir logs, cache;
    std::string path = cache / "Brimlow/scan-cache";
    std::pair<ProviderUsage, ProviderUsage> expected;
};

TEST_F(ScanCache, ASecondReaderStartsFromIt) {
    EXPECT_EQ(restored(), expected);
    // Proof that nothing was read: a change that keeps size, time and inode
    // goes unseen.
    std::string text = codexLine("2025-10-01T09:30:00Z", 900, 10) + "\n" +
                       claudeLine("2025-10-01T09:30:00Z", "m", 5, 5) + "\n";
    logs.replaceKeepingStamp("a.jsonl", text);
    EXPECT_EQ(restored(), expected);
    // With a new file, the records are built again from the cached rows.
    logs.write("c.jsonl", claudeLine("2025-10-01T09:32:00Z", "o", 1, 1) + "\n");
    auto [codex, claude] = restored();
    EXPECT_EQ(codex, expected.first);
    EXPECT_EQ(claude.entries.size(), 3u);
}

TEST_F(ScanCache, SummedRecordsAndHashedIdsComeBackAsTheyWere) {
    FixedClock clock("2025-10-12T00:00:00Z");
    auto read = [&](LocalUsageReader& reader) {
        return std::pair{reader.codex(logs.path()), reader.claude(logs.path())};
    };
    LocalUsageReader first(ReaderOptions{.clock = &clock});
    auto summed = read(first);
    ASSERT_TRUE(first.saveTo(path).ok());
    LocalUsageReader second(ReaderOptions{.clock = &clock});
    second.restoreFrom(path);
    EXPECT_EQ(read(second), summed);
    // A message met again in a new file counts once, by its hash alone.
    logs.write("c.jsonl", claudeLine("2025-10-01T09:40:00Z", "m", 50, 50) + "\n");
    LocalUsageReader third(ReaderOptions{.clock = &clock}), cold(ReaderOptions{.clock = &clock});
    third.restoreFrom(path);
    EXPECT_EQ(read(third), read(cold));
    EXPECT_EQ(read(third).second.recordCount(), 2);
}

TEST_F(ScanCache, ADamagedOrForeignCacheIsAColdScan) {
    const std::string good = readWholeFile(path).value();
    std::string newer = good;
    newer[8] = char(kScanCacheVersion + 1);
    std::string older = good;
    older[8] = char(kScanCacheVersion - 1);
    std::vector<std::string> damaged{
        "", "not a cache", good.substr(0, good.size() / 2), good.substr(0, 20), newer, older};
    for (std::size_t at : {std::size_t(3), std::size_t(13), good.size() / 2, good.size() - 2}) {
        damaged.push_back(good);
        damaged.back()[at] ^= 0x10;
    }
    // Logs that changed meanwhile, so that a cache taken for good shows.
    logs.write("c.jsonl", claudeLine("2025-10-01T09:32:00Z", "o", 1, 1) + "\n");
    LocalUsageReader cold;
    std::pair<ProviderUsage, ProviderUsage> now{cold.codex(logs.path()), cold.claude(logs.path())};
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        cache.write("Brimlow/scan-cache", damaged[i]);
        EXPECT_EQ(restored(), now) << i;
    }
}

TEST_F(ScanCache, OnlyOneWriterAtATimeAndAFailedWriteChangesNothing) {
    const std::string before = readWholeFile(path).value();
    logs.write("c.jsonl", claudeLine("2025-10-01T09:32:00Z", "o", 1, 1) + "\n");
    LocalUsageReader reader;
    reader.restoreFrom(path);
    auto figures = reader.claude(logs.path());

    int lock = ::open((path + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    auto busy = reader.saveTo(path);
    ::close(lock);
    ASSERT_FALSE(busy.ok());
    EXPECT_EQ(busy.error().errnoValue(), EWOULDBLOCK);
    EXPECT_EQ(readWholeFile(path).value(), before);

    // Where no file can be written (as on a full disk or a read-only home).
    std::string blocked = cache.write("file", "") + "/Brimlow/scan-cache";
    EXPECT_FALSE(reader.saveTo(blocked).ok());
    EXPECT_EQ(reader.claude(logs.path()), figures);
    EXPECT_TRUE(reader.saveTo(path).ok());
    EXPECT_NE(readWholeFile(path).value(), before);
}

} // namespace
} // namespace brimlow
