#include "base/files.h"

#include "base/fd_io.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace brimlow {

std::string directoryOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    auto end = path.find_last_not_of('/', slash);
    if (end == std::string::npos)
        return "/";
    return path.substr(0, end + 1);
}

namespace {

// Follows a chain of symbolic links to the file that finally gets replaced.
Result<std::string> resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::vector<char> target(PATH_MAX + 1);
        ssize_t length = readlink(path.c_str(), target.data(), target.size() - 1);
        if (length < 0)
            return Error::fromErrno(errno, path);
        std::string next(target.data(), size_t(length));
        path = next.starts_with('/') ? next : directoryOf(path) + "/" + next;
    }
    return Error::fromErrno(ELOOP, path);
}

Result<void> syncDirectory(const std::string& directory) {
    UniqueFd fd(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || fsync(fd.get()) != 0)
        return Error::fromErrno(errno, directory);
    return {};
}

} // namespace

Result<std::string> readWholeFile(const std::string& path) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return Error::fromErrno(errno, path);
    // Steps sized from the file: a small file costs a small buffer, and one
    // byte more than its size shows the end in the same read. A file that
    // grows meanwhile is read on.
    std::size_t step = 1 << 16;
    struct stat info {};
    if (fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode))
        step = std::max<std::size_t>(std::size_t(info.st_size) + 1, 4096);
    std::string content;
    while (true) {
        auto got = readSome(fd.get(), content, step);
        if (!got.ok())
            return Error::fromErrno(got.error().errnoValue(), path);
        if (got.value() == 0)
            return content;
    }
}

namespace {

Result<void> stillHolds(const std::string& path, const std::optional<std::string>& readBefore) {
    auto now = readWholeFile(path);
    if (!now.ok() && now.error().errnoValue() != ENOENT)
        return now.releaseError();
    if (now.ok() ? readBefore == now.value() : !readBefore.has_value())
        return {};
    return Error{ErrorKind::ChangedMeanwhile,
                 path + ": changed by another program while Brimlow was updating it"};
}

// `readBefore`, when given, is what the file must still hold (nothing: must
// not exist) right before the rename.
Result<void> replaceFile(const std::string& requested, std::string_view bytes,
                         Durability durability, const std::optional<std::string>* readBefore) {
    std::string path = TRY(resolveLinks(requested));
    std::string directory = directoryOf(path);

    mode_t mode;
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0644 & ~mask;
    }

    std::string base = path.substr(path.rfind('/') + 1);
    std::string temporary = directory + "/." + base + ".XXXXXX";
    UniqueFd fd(mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd)
        return Error::fromErrno(errno, path);

    auto fail = [&](int err) -> Result<void> {
        unlink(temporary.c_str());
        return Error::fromErrno(err, path);
    };
    if (fchmod(fd.get(), mode) != 0)
        return fail(errno);
    if (auto written = writeAll(fd.get(), bytes); !written.ok())
        return fail(written.error().errnoValue());
    if (durability == Durability::Synced && fsync(fd.get()) != 0)
        return fail(errno);
    if (auto closed = fd.close(); !closed.ok())
        return fail(closed.error().errnoValue());
    if (readBefore) {
        if (auto checked = stillHolds(path, *readBefore); !checked.ok()) {
            unlink(temporary.c_str());
            return checked.releaseError();
        }
    }
    if (rename(temporary.c_str(), path.c_str()) != 0)
        return fail(errno);
    if (durability == Durability::Synced)
        return syncDirectory(directory);
    return {};
}

} // namespace

Result<void> writeFileAtomic(const std::string& path, std::string_view bytes,
                             Durability durability) {
    return replaceFile(path, bytes, durability, nullptr);
}

Result<void> replaceFileIfUnchanged(const std::string& path, std::string_view bytes,
                                    const std::optional<std::string>& readBefore,
                                    Durability durability) {
    return replaceFile(path, bytes, durability, &readBefore);
}

Result<void> createDirectories(const std::string& path) {
    if (path.empty())
        return {};
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return {};
        return Error::fromErrno(ENOTDIR, path);
    }
    auto slash = path.find_last_not_of('/');
    auto parentEnd = path.rfind('/', slash);
    if (parentEnd != std::string::npos && parentEnd > 0)
        TRY(createDirectories(path.substr(0, parentEnd)));
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        return Error::fromErrno(errno, path);
    return {};
}

} // namespace brimlow
