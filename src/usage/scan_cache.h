// The reader's cache on disk, so that a new process starts warm: the records
// it built last with the files they came from and, apart, every file's
// stamp, where its reading ended and what the readers made of it; versioned,
// each part compressed and checksummed (zstd's content checksum), written
// whole and replaced atomically.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "base/unique_fd.h"
#include "records/records.h"
#include "usage/log_file.h"
#include "usage/log_rows.h"
#include "usage/log_walk.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brimlow {

// What the cache keeps of one file.
struct CachedFile {
    FileStamp stamp;
    FileState state;
    ReadMark mark;
    std::optional<Fingerprint> fingerprint;

    bool operator==(const CachedFile&) const = default;
};

// Keyed by the file's path on disk.
using CachedFiles = std::map<std::string, CachedFile>;

// A record as last built, with the digest of the files it was built from:
// while a walk finds the same, it stands, and a new process hands it out
// without reading any file's state.
struct SavedRecord {
    FilesDigest files;
    ProviderUsage usage;

    bool operator==(const SavedRecord&) const = default;
};

// Keyed by the reader that built them and its roots.
using SavedRecords = std::map<std::string, SavedRecord>;

// A cache as read: the records whole; the files' states, which only a
// changed file needs, still compressed and, when read from disk, still there
// (the descriptor stays on the version read, whatever replaces it).
struct ScanCacheFile {
    SavedRecords records;
    std::uint64_t statesSize = 0;
    std::string statesFrame;
    UniqueFd file;
    std::uint64_t statesFrameOffset = 0;
};

// Bumped with every change to what is written.
inline constexpr std::uint32_t kScanCacheVersion = 3;

// What to write, by reference: the reader's own records and entries, not a
// copy of them.
struct RecordRef {
    const std::string* key;
    const FilesDigest* files;
    const ProviderUsage* usage;
};
using RecordRefs = std::vector<RecordRef>;
using FileRefs = std::vector<std::pair<const std::string*, const CachedFile*>>;

// Empty when the compressor failed.
std::string encodeScanCache(const RecordRefs& records, const FileRefs& files);
std::string encodeScanCache(const SavedRecords& records, const CachedFiles& files);

// None for anything but a whole cache of this version: missing, cut short,
// changed, of another version or not ours at all. The states are checked
// when they are decoded: none then too.
std::optional<ScanCacheFile> decodeScanCache(std::string_view bytes);
std::optional<CachedFiles> decodeScanCacheStates(const ScanCacheFile& cache);

// $XDG_CACHE_HOME/Brimlow/scan-cache (an unset, empty or relative
// XDG_CACHE_HOME means ~/.cache).
std::string scanCachePath(const Environment& env);

// Writes the cache under its lock file (`path` + ".lock"); while another
// process holds that lock, it writes nothing and fails with EWOULDBLOCK.
Result<void> saveScanCache(const std::string& path, const RecordRefs& records,
                           const FileRefs& files);

// The cache at `path`, or none (see decodeScanCache). Reads the records
// only; the states wait in the file.
std::optional<ScanCacheFile> loadScanCache(const std::string& path);

} // namespace brimlow
