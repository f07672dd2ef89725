// The reader's walk and cache, and the Codex and Claude records it builds
// from small log trees.
#include "base/files.h"
#include "log_fixture.h"
#include "test_support/temp_dir.h"
#include "usage/local_usage_reader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace brimlow {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Ids = std::set<std::string>;
// Each file's lines; the files are named in path order and written last to
// first, so that the order they were made in is not the order they are read.
using Files = std::vector<std::vector<std::string>>;

void write(const TempDir& dir, const Files& files) {
    for (std::size_t i = files.size(); i-- > 0;) {
        std::string text;
        for (const auto& line : files[i])
            text += line + "\n";
        dir.write(std::to_string(i) + ".jsonl", text);
    }
}

// A one-line Claude log whose message id names it.
std::string logNamed(const std::string& id) {
    return claudeLine("2025-10-01T09:30:15Z", id, 1, 1) + "\n";
}

Ids claudeIds(LocalUsageReader& reader, const std::string& root) {
    Ids ids;
    for (const auto& entry : reader.claude(root).entries)
        ids.insert(entry.id);
    return ids;
}

TEST(Scanner, ReadsVisibleJsonlFilesAtAnyDepthFollowingOnlyTheRootLink) {
    TempDir dir;
    // A directory with the extension is walked, not read; a link to a file
    // counts as that file.
    const Ids read{"real/a.jsonl", "real/deep/er/b.jsonl", "real/c.jsonl.zst",
                   "real/d.jsonl/e.jsonl", "elsewhere/f.jsonl"};
    Ids all = read;
    all.insert({"real/.e.jsonl", "real/.hidden/f.jsonl", "real/h.JSONL", "real/i.json",
                "real/j.jsonl.bak", "real/k.jsonl.ZST", "real/n.zst", "elsewhere/g.jsonl"});
    for (const auto& path : all)
        dir.write(path, path.ends_with("st") || path.ends_with("ST") ? zstd(logNamed(path))
                                                                     : logNamed(path));
    fs::create_directory_symlink(dir / "real", dir / "root");
    fs::create_directory_symlink(dir / "real", dir / "real/loop");
    fs::create_directory_symlink(dir / "elsewhere", dir / "real/other");
    fs::create_symlink(dir / "elsewhere/f.jsonl", dir / "real/f.jsonl");
    LocalUsageReader reader;
    EXPECT_EQ(claudeIds(reader, dir / "root"), read);
    for (const auto& root : {dir / "missing", dir / "real/i.json", std::string()})
        EXPECT_EQ(reader.claude(root).source, FiguresSource::NoLocalRecords) << root;
}

TEST(Scanner, RereadsAFileOnlyWhenItsSizeOrTimeChangedOrItWasGone) {
    TempDir dir;
    dir.write("a.jsonl", logNamed("first"));
    LocalUsageReader reader;
    ASSERT_EQ(claudeIds(reader, dir.path()), Ids{"first"});
    // Same size, same time: the cached rows stand and the new text goes unseen.
    dir.replaceKeepingStamp("a.jsonl", logNamed("other"));
    EXPECT_EQ(claudeIds(reader, dir.path()), Ids{"first"});
    // A time that differs by a nanosecond is a different file.
    timespec modified = dir.modified("a.jsonl");
    modified.tv_nsec = (modified.tv_nsec + 1) % 1000000000;
    dir.setModified("a.jsonl", modified);
    EXPECT_EQ(claudeIds(reader, dir.path()), Ids{"other"});
    // Gone for one scan, then back with the old size and time: read afresh.
    fs::remove(dir / "a.jsonl");
    EXPECT_TRUE(claudeIds(reader, dir.path()).empty());
    dir.write("a.jsonl", logNamed("again"));
    dir.setModified("a.jsonl", modified);
    EXPECT_EQ(claudeIds(reader, dir.path()), Ids{"again"});
    dir.write("a.jsonl", logNamed("again") + logNamed("added"));
    EXPECT_EQ(claudeIds(reader, dir.path()), (Ids{"again", "added"}));
    // A file that is not UTF-8 is passed over, its old rows with it.
    dir.write("a.jsonl", logNamed("again") + "\xc3\x28\n");
    dir.write("b.jsonl", logNamed("good"));
    EXPECT_EQ(claudeIds(reader, dir.path()), Ids{"good"});
}

// A file that only grew is read from where its cached rows end; whatever
// else happens to it, a warm reader's figures equal a fresh reader's.
TEST(Scanner, AfterEveryChangeAWarmReaderAgreesWithAColdOne) {
    TempDir dir;
    auto append = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::app | std::ios::binary) << text;
    };
    const std::string half = R"({"timestamp":"2025-10-01T09:40:00Z","message":{"id":"n","usage":)";
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"first reading",
         [&] {
             dir.write("a.jsonl", codexLine("2025-10-01T09:30:00Z", 100, 10) + "\n" +
                                      codexLine("2025-10-01T09:31:00Z", 250, 40) + "\n");
             dir.write("b.jsonl", claudeLine("2025-10-01T09:30:00Z", "m", 1, 1) + "\n");
         }},
        {"lines added, the counters restarting, a heavier line and half a line",
         [&] {
             append("a.jsonl", codexLine("2025-10-01T09:32:00Z", 30, 5) + "\n");
             append("b.jsonl", claudeLine("2025-10-01T09:31:00Z", "m", 9, 9) + "\n" + half);
         }},
        {"the half line finished",
         [&] {
             append("b.jsonl", R"({"input_tokens":5}}})"
                               "\n");
         }},
        {"a whole last line without its line feed",
         [&] { append("a.jsonl", codexLine("2025-10-01T09:41:00Z", 40, 6)); }},
        {"and more after it",
         [&] { append("a.jsonl", "\n" + codexLine("2025-10-01T09:42:00Z", 50, 7) + "\n"); }},
        {"a whole last line that goes on into one that isn't JSON",
         [&] { append("a.jsonl", codexLine("2025-10-01T09:43:00Z", 60, 8)); }},
        {"", [&] { append("a.jsonl", " and more\n"); }},
        {"truncated and written again, longer",
         [&] {
             dir.write("a.jsonl", codexLine("2025-10-01T10:00:00Z", 7, 7) + "\n" +
                                      codexLine("2025-10-01T10:01:00Z", 9, 9) + "\n" +
                                      codexLine("2025-10-01T10:02:00Z", 99, 99) + "\n");
         }},
        {"replaced by another file of the same size and time",
         [&] {
             std::string text = readWholeFile(dir / "b.jsonl").value();
             std::replace(text.begin(), text.end(), '9', '8');
             timespec stamp = dir.modified("b.jsonl");
             dir.write("new.tmp", text);
             fs::rename(dir / "new.tmp", dir / "b.jsonl");
             dir.setModified("b.jsonl", stamp);
         }},
        {"compressed",
         [&] {
             dir.write("a.jsonl.zst", zstd(readWholeFile(dir / "a.jsonl").value()));
             fs::remove(dir / "a.jsonl");
         }},
    };
    // Entries one by one, and summed as the application keeps them.
    FixedClock clock("2025-10-09T12:00:00Z");
    LocalUsageReader warm, warmSums(ReaderOptions{.clock = &clock});
    for (const auto& [what, change] : steps) {
        change();
        LocalUsageReader cold, coldSums(ReaderOptions{.clock = &clock});
        EXPECT_EQ(warm.codex(dir.path()), cold.codex(dir.path())) << what;
        EXPECT_EQ(warm.claude(dir.path()), cold.claude(dir.path())) << what;
        EXPECT_EQ(warmSums.codex(dir.path()), coldSums.codex(dir.path())) << what;
        EXPECT_EQ(warmSums.claude(dir.path()), coldSums.claude(dir.path())) << what;
    }
    EXPECT_EQ(warm.claude(dir.path()).entries.size(), 2u);
    EXPECT_EQ(warmSums.claude(dir.path()).recordCount(), 2);
}

TEST(Scanner, ReadsCompressedLogsUnderTheirPlainName) {
    const std::string plain = codexLine("2025-10-01T09:30:15Z", 100, 10) + "\n" +
                              codexLine("2025-10-01T09:31:15Z", 250, 40) + "\n";
    TempDir dir;
    dir.write("a.jsonl.zst", zstd(plain));
    dir.write("b.jsonl", plain);
    dir.write("b.jsonl.zst", zstd(codexLine("2025-10-02T08:00:00Z", 5, 5) + "\n"));
    // Cut off in its last block, after blocks that hold whole lines.
    std::string cut = zstd(plain + std::string(300000, '\n'));
    dir.write("c.jsonl.zst", cut.substr(0, cut.size() - 4));
    dir.write("d.jsonl.zst", "not zstd at all\n");
    dir.write("e.jsonl.zst", "");
    dir.write("f.jsonl.zst", zstd(plain.substr(0, 50)) + zstd(plain.substr(50)));

    // Chunks smaller than a line.
    LocalUsageReader reader(ReaderOptions{1, 64});
    std::vector<std::string> ids, expected;
    for (const auto& entry : reader.codex(dir.path()).entries)
        ids.push_back(entry.id);
    for (const char* name : {"a", "b", "f"}) // the plain twin wins
        for (const char* time : {"09:30:15", "09:31:15"})
            expected.push_back(dir / name + ".jsonl:2025-10-01 " + time + " +0000");
    EXPECT_EQ(ids, expected);

    // The compressed file's own time and size key its cache entry.
    dir.replaceKeepingStamp("a.jsonl.zst", std::string(zstd(plain).size(), 'x'));
    EXPECT_EQ(reader.codex(dir.path()).entries.size(), 6u);
}

TEST(Scanner, ParallelReadingGivesTheSameRecords) {
    TempDir dir;
    for (int i = 0; i < 40; ++i) {
        std::string text;
        for (int j = 0; j < 50; ++j)
            text += claudeLine("2025-10-01T09:30:15Z", std::to_string(j % 17), i, j, 1, 2);
        dir.write(std::to_string(i % 3) + "/" + std::to_string(i) + ".jsonl", text + "\n");
    }
    LocalUsageReader one(ReaderOptions{1, 256}), two(ReaderOptions{2, 256});
    auto expected = one.claude(dir.path());
    EXPECT_EQ(two.claude(dir.path()), expected);
    EXPECT_EQ(two.claude(dir.path()), expected); // and again from the cache
}

// A Codex line with only a snapshot of the five-hour window.
std::string snapshot(const std::string& timestamp, double percent, const std::string& extra = {}) {
    return codexLimitsLine(timestamp, R"({"primary":{"used_percent":)" + std::to_string(percent) +
                                          R"(,"window_minutes":300,"resets_at":1760000000})" +
                                          extra + "}");
}

// Each file's cumulative totals become deltas. A fork's file points into
// its parent's instead of copying it, but its totals go on from the
// parent's: only its own requests may count.
TEST(CodexUsage, AFileCountsOnlyItsOwnRequestsFromItsFirstLine) {
    auto meta = [](const char* payload) {
        return R"({"timestamp":"2025-10-01T09:00:00Z","type":"session_meta","payload":)" +
               std::string(payload) + "}";
    };
    TempDir dir;
    write(
        dir,
        {// A line without a usable time changes nothing, the previous counts
         // included; the output 150.5 counts as 0 and so as a restart.
         {codexLine("2025-10-01T09:30:15.250Z", 100, 10),
          codexLine("2025-10-01T09:31:00Z", 250, 40), codexLine("2025-10-01T09:32:00Z", 250, 45),
          codexLine("2025-10-01T09:33:00Z", 30, 50), // restarted
          codexLine("2025-10-01T09:34:00Z", 80, 20)},
         {codexLine("2025-10-01T10:00:00Z", 1000, 100), codexLine("2025-10-01 10:01:00", 5000, 500),
          R"({"timestamp":"2025-10-01T10:02:00+09:00","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":1500,"output_tokens":150.5}}}})"},
         // The parent: 1000/100, then 300/30 more.
         {meta(R"({"id":"p1","source":"cli"})"),
          codexLine("2025-10-01T09:01:00Z", 1000, 100, "1000", "100"),
          codexLine("2025-10-01T09:02:00Z", 1300, 130, "300", "30")},
         // Forked after the parent's first request: 50/5 of its own, then 20/2.
         {meta(R"({"id":"f1","forked_from_id":"p1","history_base":{"path":"2.jsonl","line":2}})"),
          codexLine("2025-10-01T10:00:00Z", 1050, 105, "50", "5"),
          codexLine("2025-10-01T10:01:00Z", 1070, 107, "20", "2")},
         // A last use that is larger than the total or negative can't be
         // right: the total counts, as for a line without it.
         {codexLine("2025-10-01T12:00:00Z", 7, 70, "8", "-1"),
          codexLine("2025-10-01T12:01:00Z", 9, 75, "1", "1")}});
    LocalUsageReader reader;
    auto usage = reader.codex(dir.path());
    std::string counts;
    for (const auto& entry : usage.entries)
        counts += std::to_string(entry.input) + "/" + std::to_string(entry.output) + " ";
    EXPECT_EQ(counts, "100/10 150/30 0/5 30/5 50/20 1000/100 500/0 "
                      "1000/100 300/30 50/5 20/2 7/70 2/5 ");
    ASSERT_EQ(usage.entries.size(), 13u);
    EXPECT_EQ(usage.entries[6].id, dir / "1.jsonl:2025-10-01 01:02:00 +0000");
    EXPECT_EQ(usage.source, FiguresSource::CodexLogs);
}

// Expected: the five-hour window's percent, the snapshot's time and plan.
TEST(CodexUsage, KeepsTheNewestUsableCodexSnapshot) {
    const char *nine = "2025-10-01T09:00:00Z", *ten = "2025-10-01T10:00:00Z";
    const std::string plus = R"(,"plan_type":"plus")";
    const std::pair<const char*, Files> cases[] = {
        // The newest wins wherever its file lies.
        {"20 10:00 -", {{snapshot(ten, 20)}, {snapshot(nine, 10)}}},
        // Another limit's snapshot is ignored, one without limit_id is used.
        {"20 09:30 -",
         {{snapshot(nine, 10, R"(,"limit_id":"codex")"),
           snapshot(ten, 30, R"(,"limit_id":"other")"), snapshot("2025-10-01T09:30:00Z", 20)}}},
        // A newer snapshot without usable windows changes nothing; a newer
        // usable one without plan_type clears the plan.
        {"10 09:00 plus",
         {{snapshot(nine, 10, plus), codexLimitsLine(ten, R"({"primary":{},"plan_type":"pro"})")}}},
        {"20 10:00 -", {{snapshot(nine, 10, plus), snapshot(ten, 20)}}},
        // No usable time, a Claude log: nothing.
        {"- - -", {{snapshot("yesterday", 10), claudeLine(nine, "m1", 10, 10)}}},
    };
    for (const auto& [expected, files] : cases) {
        TempDir dir;
        write(dir, files);
        LocalUsageReader reader;
        auto usage = reader.codex(dir.path());
        std::string seen =
            usage.quotas.empty() ? "-" : std::to_string(int(usage.quotas[0].percent));
        seen += " " + (usage.quotaDate ? formatUtcSeconds(*usage.quotaDate).substr(11, 5) : "-");
        EXPECT_EQ(seen + " " + usage.plan.value_or("-"), expected);
        // The source speaks of the entries only.
        EXPECT_EQ(usage.source, FiguresSource::NoLocalRecords);
    }
}

// Every snapshot of the "codex" limit is a sample, whichever file it is in;
// those more than three hours before the newest are not kept.
TEST(CodexUsage, KeepsTheLastHoursOfSnapshotsAsSamples) {
    TempDir dir;
    write(dir, {{snapshot("2025-10-01T06:59:59Z", 5), snapshot("2025-10-01T09:00:00Z", 10),
                 snapshot("2025-10-01T09:30:00Z", 30, R"(,"limit_id":"other")")},
                {snapshot("2025-10-01T10:00:00Z", 20)}});
    LocalUsageReader reader;
    std::string seen;
    for (const auto& sample : reader.codex(dir.path()).samples)
        seen += formatUtcSeconds(sample.at).substr(11, 5) + "=" +
                std::to_string(int(sample.quota.percent)) + " ";
    EXPECT_EQ(seen, "09:00=10 10:00=20 ");
}

TEST(ClaudeUsage, CountsEachMessageOnceWithItsHeaviestLine) {
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const char* nine = "2025-10-01T09:00:00Z";
    struct Case {
        const char* name;
        Files files;
        std::vector<TokenEntry> expected;
    } cases[] = {
        {"the strictly heaviest line wins and dates the entry",
         {{claudeLine(nine, "m", 10, 5, 100),
           claudeLine("2025-10-01T09:00:01.000001Z", "m", 10, 50, 100),
           claudeLine("2025-10-01T09:00:02Z", "m", 10, 20, 100)}},
         {{"m", utc("2025-10-01T09:00:01.000001Z"), 10, 50, 100}}},
        {"equal weights keep the first line met, in path order",
         {{claudeLine(nine, "m", 3, 2, 1), claudeLine("2025-10-01T09:00:01Z", "m", 2, 2, 2)},
          {claudeLine("2025-10-01T08:00:00Z", "m", 1, 2, 3)}},
         {{"m", utc(nine), 3, 2, 1}}},
        {"cache is read plus creation; counts must be integral",
         {{claudeLine(nine, "m", 1, 1, 1000, 200),
           R"({"timestamp":"2025-10-01T09:00:00Z","message":{"id":"n","usage":{"input_tokens":12.0,"output_tokens":1.5,"cache_read_input_tokens":"7","cache_creation_input_tokens":null}}})"}},
         {{"m", utc(nine), 1, 1, 1200}, {"n", utc(nine), 12, 0, 0}}},
        {"extreme counts saturate instead of wrapping and making the first line light",
         {{claudeLine(nine, "m", 1, 1, max, max),
           claudeLine("2025-10-01T09:00:01Z", "m", 5, 5, 5, 5)}},
         {{"m", utc(nine), 1, 1, max}}},
        {"a line without a usable time is dropped; a later one supplies the entry",
         {{claudeLine("not a time", "m", 100, 100),
           claudeLine("2025-10-01T09:00:05+02:00", "m", 1, 1)}},
         {{"m", utc("2025-10-01T07:00:05Z"), 1, 1, 0}}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        write(dir, c.files);
        LocalUsageReader reader;
        auto usage = reader.claude(dir.path());
        std::sort(usage.entries.begin(), usage.entries.end(),
                  [](const TokenEntry& a, const TokenEntry& b) { return a.id < b.id; });
        EXPECT_EQ(usage.entries, c.expected) << c.name;
        EXPECT_EQ(usage.source, FiguresSource::ClaudeLogs) << c.name;
    }
}

} // namespace
} // namespace brimlow
