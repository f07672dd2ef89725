// The reader's walk and cache, observed through the records it returns.
#include "log_fixture.h"
#include "usage/local_usage_reader.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace brimlow {
namespace {

using testing::claudeLine;
using testing::codexLine;
using testing::jsonl;
using testing::TempTree;

// A one-line Claude log whose message id names the file.
std::string logNamed(const std::string& id) {
    return jsonl({claudeLine("2025-10-01T09:30:15Z", id, 1, 1)});
}

std::set<std::string> claudeIds(LocalUsageReader& reader, const std::string& root) {
    std::set<std::string> ids;
    for (const auto& entry : reader.claude(root).entries)
        ids.insert(entry.id);
    return ids;
}

TEST(Scanner, ReadsVisibleJsonlFilesAtAnyDepth) {
    TempTree tree;
    struct File {
        const char* path;
        bool read;
    } files[] = {
        {"p/a.jsonl", true},
        {"deep/er/still/b.jsonl", true},
        {"p/c.jsonl.zst", true},
        {"p/dir.jsonl/d.jsonl", true}, // a directory with the extension is walked, not read
        {"p/.e.jsonl", false},
        {".hidden/f.jsonl", false},
        {"p/.git/g.jsonl", false},
        {"p/h.JSONL", false},
        {"p/i.json", false},
        {"p/j.jsonl.bak", false},
        {"p/k.jsonl.ZST", false},
        {"p/l.JSONL.zst", false},
        {"p/.m.jsonl.zst", false},
        {"p/n.zst", false},
        {"p/jsonl", false},
    };
    std::set<std::string> expected;
    for (const auto& file : files) {
        std::string id = std::filesystem::path(file.path).filename().string();
        if (std::string_view(file.path).ends_with(".zst") ||
            std::string_view(file.path).ends_with(".ZST"))
            tree.writeCompressed(file.path, logNamed(id));
        else
            tree.write(file.path, logNamed(id));
        if (file.read)
            expected.insert(id);
    }
    LocalUsageReader reader;
    EXPECT_EQ(claudeIds(reader, tree.root()), expected);
}

TEST(Scanner, FollowsARootLinkButNoLinkedDirectoryBelowIt) {
    TempTree tree;
    tree.write("real/a.jsonl", logNamed("a"));
    tree.write("elsewhere/b.jsonl", logNamed("b"));
    std::filesystem::create_directory_symlink(tree.path("real"), tree.path("root"));
    std::filesystem::create_directory_symlink(tree.path("real"), tree.path("real/loop"));
    std::filesystem::create_directory_symlink(tree.path("elsewhere"), tree.path("real/other"));
    std::filesystem::create_symlink(tree.path("elsewhere/b.jsonl"), tree.path("real/c.jsonl"));

    LocalUsageReader reader;
    // c.jsonl is a link to a file and counts as that file.
    EXPECT_EQ(claudeIds(reader, tree.path("root")), (std::set<std::string>{"a", "b"}));
    auto usage = reader.codex(tree.path("root"));
    EXPECT_TRUE(usage.entries.empty());
}

TEST(Scanner, AMissingRootOrATreeWithoutLogsGivesNothing) {
    TempTree tree;
    tree.write("empty/notes.txt", "{}\n");
    LocalUsageReader reader;
    for (const auto& root :
         {tree.path("missing"), tree.path("empty"), tree.path("empty/notes.txt"), std::string()}) {
        auto usage = reader.claude(root);
        EXPECT_TRUE(usage.entries.empty()) << root;
        EXPECT_EQ(usage.status, "로컬 기록 없음") << root;
    }
}

TEST(Scanner, AnUnchangedFileIsNotReadAgain) {
    TempTree tree;
    tree.write("a.jsonl", logNamed("first"));
    LocalUsageReader reader;
    ASSERT_EQ(claudeIds(reader, tree.root()), std::set<std::string>{"first"});

    // Same size, same time: the cached rows stand, the new text is not seen.
    tree.replaceKeepingStamp("a.jsonl", logNamed("other"));
    EXPECT_EQ(claudeIds(reader, tree.root()), std::set<std::string>{"first"});
    tree.replaceKeepingStamp("a.jsonl", std::string(logNamed("first").size(), '\xff'));
    EXPECT_EQ(claudeIds(reader, tree.root()), std::set<std::string>{"first"});

    // A time that differs by a nanosecond is a different file.
    tree.replaceKeepingStamp("a.jsonl", logNamed("other"));
    timespec modified = tree.modified("a.jsonl");
    modified.tv_nsec = (modified.tv_nsec + 1) % 1000000000;
    tree.setModified("a.jsonl", modified);
    EXPECT_EQ(claudeIds(reader, tree.root()), std::set<std::string>{"other"});

    // Appending changes the size, and the whole file is read again.
    tree.write("a.jsonl", logNamed("other") + logNamed("added"));
    EXPECT_EQ(claudeIds(reader, tree.root()), (std::set<std::string>{"other", "added"}));
}

TEST(Scanner, ForgetsMissingFilesUnderTheScannedRootOnly) {
    TempTree tree;
    tree.write("codex/x.jsonl", logNamed("x1"));
    tree.write("claude/y.jsonl", logNamed("y1"));
    tree.write("codex-old/z.jsonl", logNamed("z1"));
    LocalUsageReader reader;
    ASSERT_EQ(claudeIds(reader, tree.path("codex")), std::set<std::string>{"x1"});
    ASSERT_EQ(claudeIds(reader, tree.path("claude")), std::set<std::string>{"y1"});
    ASSERT_EQ(claudeIds(reader, tree.path("codex-old")), std::set<std::string>{"z1"});

    // Delete x and scan its root; then put back a same-sized file with the
    // old time. Only a forgotten entry makes the reader look at it afresh.
    timespec stamp = tree.modified("codex/x.jsonl");
    std::filesystem::remove(tree.path("codex/x.jsonl"));
    EXPECT_TRUE(claudeIds(reader, tree.path("codex")).empty());
    tree.write("codex/x.jsonl", logNamed("x2"));
    tree.setModified("codex/x.jsonl", stamp);
    EXPECT_EQ(claudeIds(reader, tree.path("codex")), std::set<std::string>{"x2"});

    // The other root's entry survived both scans.
    tree.replaceKeepingStamp("claude/y.jsonl", logNamed("y2"));
    EXPECT_EQ(claudeIds(reader, tree.path("claude")), std::set<std::string>{"y1"});

    // The root test is a plain text prefix: "codex" covers "codex-old" too.
    tree.replaceKeepingStamp("codex-old/z.jsonl", logNamed("z2"));
    EXPECT_EQ(claudeIds(reader, tree.path("codex-old")), std::set<std::string>{"z2"});
}

TEST(Scanner, PassesOverAFileThatIsNotUtf8) {
    TempTree tree;
    tree.write("good.jsonl", logNamed("good"));
    tree.write("bad.jsonl", logNamed("cached"));
    LocalUsageReader reader;
    ASSERT_EQ(claudeIds(reader, tree.root()), (std::set<std::string>{"good", "cached"}));

    tree.write("bad.jsonl", logNamed("bad") + "\xc3\x28\n");
    EXPECT_EQ(claudeIds(reader, tree.root()), std::set<std::string>{"good"});
    // Its old rows went with it rather than standing in for the broken file.
    tree.write("bad.jsonl", logNamed("cached"));
    EXPECT_EQ(claudeIds(reader, tree.root()), (std::set<std::string>{"good", "cached"}));
}

TEST(Scanner, ReadsCompressedLogsUnderTheirPlainName) {
    const std::string plain = jsonl(
        {codexLine("2025-10-01T09:30:15Z", 100, 10), codexLine("2025-10-01T09:31:15Z", 250, 40)});
    const std::string other = jsonl({codexLine("2025-10-02T08:00:00Z", 5, 5)});
    for (std::size_t chunk : {std::size_t(64), kDefaultChunkBytes}) {
        TempTree tree;
        tree.writeCompressed("a.jsonl.zst", plain);
        tree.write("b.jsonl", plain);
        tree.writeCompressed("b.jsonl.zst", other); // the plain twin wins
        // Cut off in its last block, after blocks that hold whole lines.
        std::string cut = TempTree::compress(plain + std::string(300000, '\n'));
        tree.write("c.jsonl.zst", cut.substr(0, cut.size() - 4));
        tree.write("d.jsonl.zst", "not zstd at all\n");
        tree.write("e.jsonl.zst", "");
        tree.write("f.jsonl.zst", TempTree::compress(plain.substr(0, plain.size() / 2)) +
                                      TempTree::compress(plain.substr(plain.size() / 2)));

        LocalUsageReader reader(ReaderOptions{1, chunk});
        auto usage = reader.codex(tree.root());
        std::vector<std::string> ids;
        for (const auto& entry : usage.entries)
            ids.push_back(entry.id);
        std::vector<std::string> expected;
        for (const char* name : {"a", "b", "f"}) {
            expected.push_back(tree.path(name) + ".jsonl:2025-10-01 09:30:15 +0000");
            expected.push_back(tree.path(name) + ".jsonl:2025-10-01 09:31:15 +0000");
        }
        EXPECT_EQ(ids, expected) << "chunk " << chunk;

        // The compressed file's own time and size key its cache entry.
        tree.replaceKeepingStamp("a.jsonl.zst", std::string(TempTree::compress(plain).size(), 'x'));
        EXPECT_EQ(reader.codex(tree.root()).entries.size(), 6u);
    }
}

TEST(Scanner, ParallelReadingGivesTheSameRecords) {
    TempTree tree;
    for (int i = 0; i < 40; ++i) {
        std::string text;
        for (int j = 0; j < 50; ++j)
            text +=
                claudeLine("2025-10-01T09:30:15Z", "m" + std::to_string(j % 17), i, j, 1, 2) + "\n";
        tree.write("p" + std::to_string(i % 3) + "/s" + std::to_string(i) + ".jsonl", text);
    }
    LocalUsageReader one(ReaderOptions{1, 256});
    LocalUsageReader two(ReaderOptions{2, 256});
    auto expected = one.claude(tree.root());
    EXPECT_EQ(two.claude(tree.root()), expected);
    EXPECT_EQ(two.claude(tree.root()), expected); // and again from the cache
}

} // namespace
} // namespace brimlow
