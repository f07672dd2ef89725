// What every fuzz target shares: a private scratch directory and the check
// that turns a broken invariant into a crash libFuzzer records.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace brimlow::fuzz {

// Aborts, so that libFuzzer saves the input, when `holds` is false.
inline void require(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "broken invariant: %s\n", what);
    std::abort();
}

// A directory of the process's own under $TMPDIR (scripts/run-fuzz points
// that at a memory file system), made on first use and removed at exit.
// Inputs reuse it one after another, so each target clears what it needs.
inline const std::string& scratchDirectory() {
    struct Scratch {
        Scratch() {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "brimlow-fuzz.XXXXXX").string();
            if (!mkdtemp(pattern.data()))
                throw std::runtime_error("mkdtemp failed");
            path = pattern;
        }
        ~Scratch() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::string path;
    };
    static Scratch scratch;
    return scratch.path;
}

// Replaces the file's content in place (no atomic rename: nothing reads it
// concurrently), creating its directory when needed.
inline void writeFile(const std::string& path, std::string_view bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    require(fd >= 0, "scratch file opens");
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        require(written > 0, "scratch file takes the bytes");
        bytes.remove_prefix(std::size_t(written));
    }
    ::close(fd);
}

} // namespace brimlow::fuzz
