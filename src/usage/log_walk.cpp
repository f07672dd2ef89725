#include "usage/log_walk.h"

#include "base/numbers.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace brimlow {

namespace {

constexpr std::string_view kPlainSuffix = ".jsonl";
constexpr std::string_view kZstdSuffix = ".jsonl.zst";

std::optional<Compression> logCompression(std::string_view name) {
    if (name.ends_with(kPlainSuffix))
        return Compression::None;
    if (name.ends_with(kZstdSuffix))
        return Compression::Zstd;
    return std::nullopt;
}

std::string rootText(const std::string& root) {
    std::error_code error;
    std::string text = std::filesystem::absolute(root, error).string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// Lists one directory: log files into `files`, subdirectories into `pending`.
// Only the root may be reached through a link, hence O_NOFOLLOW below it.
// `identity`, when given, receives the directory's device and inode.
bool listDirectory(const std::string& path, int openFlags, std::vector<std::string>& pending,
                   std::vector<LogFile>& files, DirectoryIdentity* identity = nullptr) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | openFlags);
    if (fd < 0)
        return false;
    if (identity) {
        struct stat own;
        if (::fstat(fd, &own) == 0)
            *identity = {std::uint64_t(own.st_dev), std::uint64_t(own.st_ino)};
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    std::string prefix = path == "/" ? path : path + "/";
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.empty() || name.front() == '.') // also "." and ".."
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat own;
            if (::fstatat(fd, entry->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(own.st_mode) ? DT_DIR : S_ISLNK(own.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR) {
            pending.push_back(prefix + entry->d_name);
            continue;
        }
        auto compression = logCompression(name);
        if (!compression)
            continue;
        // A link to a file counts as the file; a link to a directory, a FIFO
        // or a device does not (opening a FIFO would wait for a writer).
        struct stat target;
        if (::fstatat(fd, entry->d_name, &target, 0) != 0 || !S_ISREG(target.st_mode))
            continue;
        std::string filePath = prefix + entry->d_name;
        if (*compression == Compression::Zstd)
            filePath.resize(filePath.size() - 4); // the name without ".zst"
        files.push_back({std::move(filePath),
                         *compression,
                         {target.st_mtim.tv_sec, target.st_mtim.tv_nsec, target.st_size,
                          target.st_dev, target.st_ino}});
    }
    ::closedir(dir);
    return true;
}

std::uint64_t splitmix(std::uint64_t x) {
    return mixBits(x + 0x9e3779b97f4a7c15ull);
}

// Two lanes, each taking every 8 bytes through its own strong mix.
void mix(FilesDigest& digest, const void* data, std::size_t size) {
    auto bytes = static_cast<const unsigned char*>(data);
    for (std::size_t at = 0; at < size; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + at, std::min<std::size_t>(8, size - at));
        digest.first = std::rotl(digest.first ^ splitmix(word), 23) * 0x9e3779b97f4a7c15ull;
        digest.second = std::rotl(digest.second + splitmix(word ^ 0x5851f42d4c957f2dull), 41) *
                        0xd6e8feb86659fd93ull;
    }
}

} // namespace

void FilesDigester::add(const LogFile& file) {
    // The length first, so that no two lists of names run together alike.
    std::uint64_t length = file.path.size();
    mix(m_digest, &length, sizeof length);
    mix(m_digest, file.path.data(), file.path.size());
    auto compression = std::uint8_t(file.compression);
    mix(m_digest, &compression, sizeof compression);
    mix(m_digest, &file.stamp, sizeof file.stamp);
}

std::optional<LogTree> findLogFiles(const std::string& root) {
    if (root.empty())
        return std::nullopt;
    LogTree tree{rootText(root), {}, {}};
    std::vector<std::string> pending;
    if (!listDirectory(tree.root, 0, pending, tree.files, &tree.identity))
        return std::nullopt;
    while (!pending.empty()) {
        std::string directory = std::move(pending.back());
        pending.pop_back();
        listDirectory(directory, O_NOFOLLOW, pending, tree.files);
    }

    // The plain file sorts just before its compressed twin, which then goes.
    std::sort(tree.files.begin(), tree.files.end(), [](const LogFile& a, const LogFile& b) {
        if (int order = a.path.compare(b.path))
            return order < 0;
        return a.compression == Compression::None && b.compression == Compression::Zstd;
    });
    auto twins = std::unique(tree.files.begin(), tree.files.end(),
                             [](const LogFile& a, const LogFile& b) { return a.path == b.path; });
    tree.files.erase(twins, tree.files.end());
    return tree;
}

} // namespace brimlow
