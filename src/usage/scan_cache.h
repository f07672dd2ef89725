// The reader's cache on disk, so that a new process starts warm: every
// file's stamp, where its reading ended and its reduced rows, in one file
// that is versioned, compressed and checksummed (zstd's content checksum),
// written whole and replaced atomically.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "usage/log_file.h"
#include "usage/log_rows.h"
#include "usage/log_walk.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace brimlow {

// What the cache keeps of one file.
struct CachedFile {
    FileStamp stamp;
    LogRows rows;
    ReadMark mark;
    std::optional<Fingerprint> fingerprint;

    bool operator==(const CachedFile&) const = default;
};

// Keyed by the file's path on disk.
using CachedFiles = std::map<std::string, CachedFile>;

// Bumped with every change to what is written.
inline constexpr std::uint32_t kScanCacheVersion = 1;

std::string encodeScanCache(const CachedFiles& files);

// None for anything but a whole cache of this version: missing, cut short,
// changed, of another version or not ours at all.
std::optional<CachedFiles> decodeScanCache(std::string_view bytes);

// $XDG_CACHE_HOME/Brimlow/scan-cache (an unset, empty or relative
// XDG_CACHE_HOME means ~/.cache).
std::string scanCachePath(const Environment& env);

// Writes the cache under its lock file (`path` + ".lock"); while another
// process holds that lock, it writes nothing and fails with EWOULDBLOCK.
Result<void> saveScanCache(const std::string& path, const CachedFiles& files);

// The cache at `path`, or none (see decodeScanCache).
std::optional<CachedFiles> loadScanCache(const std::string& path);

} // namespace brimlow
