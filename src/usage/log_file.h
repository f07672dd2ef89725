// Reading one log file, plain or zstd-compressed, line by line through a
// fixed-size buffer into reduced rows.
#pragma once

#include "usage/line_reducer.h"
#include "usage/log_rows.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brimlow {

enum class Compression { None, Zstd };

inline constexpr std::size_t kDefaultChunkBytes = std::size_t(1) << 20;

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
    std::optional<LogRows> read(const std::string& path, Compression compression);

    // The same splitting and reduction over text in memory.
    std::optional<LogRows> readText(std::string_view text);

private:
    class Source;
    class FileSource;
    class ZstdSource;
    class TextSource;
    struct Decompressor;

    std::optional<LogRows> readFrom(Source& source);
    bool takeLine(const char* text, std::size_t length, LogRows& rows);
    void grow();

    LineReducer m_reducer;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity;
    std::unique_ptr<Decompressor> m_decompressor;
};

} // namespace brimlow
