// Finding the log files under a directory: the one place where the reader
// meets the file system's directories.
#pragma once

#include "usage/log_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brimlow {

// What tells one version of a file from another: modification time to the
// nanosecond and size; device and inode tell whether it is still the same
// file at all (a file replaced by another gets a new inode).
struct FileStamp {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    std::int64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool sameFile(const FileStamp& other) const {
        return device == other.device && inode == other.inode;
    }

    bool operator==(const FileStamp&) const = default;
};

struct LogFile {
    // The log's name as results report it: a compressed log keeps the name
    // it had before compression, so its records keep their ids.
    std::string path;
    Compression compression = Compression::None;
    FileStamp stamp;

    // Where the bytes are.
    std::string diskPath() const { return compression == Compression::Zstd ? path + ".zst" : path; }
    bool operator==(const LogFile&) const = default;
};

// Tells whether two paths lead to the same directory.
struct DirectoryIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const DirectoryIdentity&) const = default;
};

struct LogTree {
    // The root as an absolute path without a trailing "/": every path below
    // begins with it.
    std::string root;
    // The root directory itself, wherever links led to it.
    DirectoryIdentity identity;
    // Sorted by path, byte by byte, so that "first met" means the same on
    // every machine and every run.
    std::vector<LogFile> files;
};

// What a list of files with their stamps comes to, in 128 bits: two lists
// with the same digest are the same files, unchanged (a chance match is
// about one in 2^64 even over billions of lists), without a copy of either.
struct FilesDigest {
    std::uint64_t first = 0;
    std::uint64_t second = 0;

    bool operator==(const FilesDigest&) const = default;
};

class FilesDigester {
public:
    void add(const LogFile& file);
    FilesDigest digest() const { return m_digest; }

private:
    FilesDigest m_digest{0x243f6a8885a308d3ull, 0x13198a2e03707344ull};
};

// Every regular file named *.jsonl or *.jsonl.zst under `root`, at any depth.
// Entries whose names begin with "." are passed over, hidden directories are
// not entered, and neither are links to directories (a link can make a
// loop); a root that is itself a link is followed. Where X.jsonl and
// X.jsonl.zst both exist, only X.jsonl counts. Absent when `root` can't be
// opened as a directory; a subdirectory that can't be read is passed over.
std::optional<LogTree> findLogFiles(const std::string& root);

} // namespace brimlow
