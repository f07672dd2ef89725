// Reading one log file, plain or zstd-compressed, line by line through a
// fixed-size buffer into reduced rows.
#pragma once

#include "usage/line_reducer.h"
#include "usage/log_rows.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brimlow {

enum class Compression { None, Zstd };

inline constexpr std::size_t kDefaultChunkBytes = std::size_t(1) << 20;

// Where the reading of a plain file ended, so that it can go on from there
// when the file grows: after its last line feed. A last line without one is
// reduced too (a file may simply end so), but its rows are counted: they are
// the reading's last ones, and the next reading begins at that line.
struct ReadMark {
    std::uint64_t completeBytes = 0;
    std::uint32_t tailUsageRows = 0;
    std::uint32_t tailTokenCountRows = 0;

    bool operator==(const ReadMark&) const = default;
};

// What tells whether a file that grew still begins, and still holds up to
// its old end, what it held when it was read: hashes of its first 4 KiB and
// of the 4 KiB before that end. Not proof against a deliberate change in the
// middle; a log is only ever appended to, and rewritten whole otherwise.
struct Fingerprint {
    std::uint64_t head = 0;
    std::uint64_t tail = 0;

    bool operator==(const Fingerprint&) const = default;
};

// The fingerprint of the file's first `size` bytes; none when they can't be
// read.
std::optional<Fingerprint> fingerprintOf(const std::string& path, std::uint64_t size);

// One per thread: it owns the parser, the chunk buffer and the decompressor,
// all reused from file to file.
class LogFileReader {
public:
    explicit LogFileReader(std::size_t chunkBytes = kDefaultChunkBytes);
    ~LogFileReader();
    LogFileReader(const LogFileReader&) = delete;
    LogFileReader& operator=(const LogFileReader&) = delete;

    // Absent when the file can't be read, is not UTF-8 throughout or, when
    // compressed, is not a whole zstd stream.
    std::optional<LogRows> read(const std::string& path, Compression compression,
                                ReadMark* mark = nullptr);

    // Goes on with a plain file read before: the rows of every line from
    // the mark on, the unfinished last one read before included; the mark
    // moves to the new end. Absent when the file can't be read or is not
    // UTF-8.
    std::optional<LogRows> readAppended(const std::string& path, ReadMark& mark);

    // The same splitting and reduction over text in memory.
    std::optional<LogRows> readText(std::string_view text);

private:
    class Source;
    class FileSource;
    class ZstdSource;
    class TextSource;
    struct Decompressor;

    bool readFrom(Source& source, LogRows& rows, ReadMark& mark);
    bool takeLine(const char* text, std::size_t length, LogRows& rows);
    void grow();

    LineReducer m_reducer;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity;
    std::unique_ptr<Decompressor> m_decompressor;
};

} // namespace brimlow
