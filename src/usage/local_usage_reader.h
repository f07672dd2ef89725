// Reads the outside tools' local JSONL logs into usage records, keeping what
// it learnt from each file until the file changes.
#pragma once

#include "base/time.h"
#include "records/records.h"
#include "usage/log_file.h"
#include "usage/log_readers.h"
#include "usage/log_rows.h"
#include "usage/log_walk.h"
#include "usage/scan_cache.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace brimlow {

struct ReaderOptions {
    // Threads that read the files missing from the cache, the calling one
    // included; 0 means as many as the machine has cores, at most two (the
    // refresh runs beside the user's own work).
    unsigned threads = 0;
    // Bytes read from a file at a time; a longer line grows the buffer.
    std::size_t chunkBytes = kDefaultChunkBytes;
    // With a clock, the records hold their entries summed (see
    // addToSums()) and the cache keeps message ids as hashes only: memory and
    // the cache then stay small however long the history. Without one, every
    // entry is handed out one by one, with its id.
    const Clock* clock = nullptr;
};

// Not thread-safe: calls on one reader must not overlap. They never fail: a
// missing root, an unreadable or broken file and a malformed line each drop
// only themselves.
class LocalUsageReader {
public:
    explicit LocalUsageReader(ReaderOptions options = {});

    // Codex session logs under `root` (Codex home + "sessions").
    ProviderUsage codex(const std::string& root);
    // Claude Code project logs under each of `roots` (its configurations +
    // "projects"), one record per message id across all of them. A root that
    // leads to the same directory as an earlier one is read once.
    ProviderUsage claude(const std::vector<std::string>& roots);
    ProviderUsage claude(const std::string& root) { return claude(std::vector{root}); }

    // Roughly the heap memory the cache holds.
    std::size_t cacheMemoryBytes() const;

    // Starts from a saved cache: its entries stand for their files until a
    // scan finds them changed or gone.
    void restore(CachedFiles files);

    // The same with the cache file at `path` (see scan_cache.h): a cache
    // that can't be read or used is no cache. Saving writes the cache whole,
    // and only when something changed since the last restore or save; its
    // failure changes nothing.
    void restoreFrom(const std::string& path);
    Result<void> saveTo(const std::string& path);

private:
    struct Cached : CachedFile {
        std::uint64_t lastScan = 0; // 0: restored and not yet met by a scan
    };
    // A file to read: whole, or (with `grown`) from where its reading ended.
    struct Job {
        const LogFile* file = nullptr;
        Cached* grown = nullptr;
        std::optional<Cached> read; // a whole reading
        bool ok = false;
    };

    // A record as last built for one root, with the files it came from.
    // When a scan reads nothing and forgets nothing and meets the same files,
    // the record is the same and is not built again: the minute's refresh of
    // unchanged logs then costs the walk and a copy.
    struct Built {
        std::uint64_t generation = 0; // the cache's, when it was built
        ProviderUsage usage;
        // The accepted files with their stamps: while a walk finds exactly
        // these, the record stands without any look at the states.
        FilesDigest files;
    };
    using Builder = ProviderUsage (*)(const std::vector<ScannedFile>&, Summing);
    ProviderUsage buildOrReuse(const char* reader, const std::vector<std::string>& roots,
                               std::unordered_map<std::string, Built>& built, Builder builder);
    // Restores the states of a cache whose records were restored first.
    void restorePendingStates();
    // What to save: the files met by this reader's scans or under a root
    // whose record was handed out.
    FileRefs filesToSave() const;

    // The accepted files of `tree` in path order, with their states; they
    // are added to `accepted`. The states live in the cache and stay valid
    // until the next scan.
    std::vector<ScannedFile> states(LogTree tree, FilesDigester& accepted);
    void readFiles(std::vector<Job>& jobs) const;
    Summing summing() const;
    // True when it forgot any file.
    bool prune(const std::string& root);

    ReaderOptions m_options;
    // Keyed by the file's absolute path on disk. One cache serves every root.
    std::unordered_map<std::string, Cached> m_cache;
    std::uint64_t m_scan = 0;
    // Counts the changes to the cache: one root's scan can read a file that
    // another root's record was built from, where the roots overlap.
    std::uint64_t m_generation = 0;
    std::uint64_t m_savedGeneration = 0;
    std::unordered_map<std::string, Built> m_builtCodex;
    std::unordered_map<std::string, Built> m_builtClaude;
    // Every root walked, as the walk wrote it.
    std::vector<std::string> m_roots;
    // From the cache on disk: records not yet handed out, and its states,
    // decoded only when some file has changed.
    SavedRecords m_savedRecords;
    std::optional<ScanCacheFile> m_pendingStates;
};

} // namespace brimlow
