#include "usage/log_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>
#include <zstd.h>

namespace brimlow {

// Hands out the file's bytes in pieces: fill() copies up to `capacity` bytes
// to `target` and returns how many, 0 at the end, or nothing when the bytes
// can't be had (the file is then passed over).
class LogFileReader::Source {
public:
    virtual ~Source() = default;
    virtual std::optional<std::size_t> fill(char* target, std::size_t capacity) = 0;
};

class LogFileReader::FileSource final : public Source {
public:
    explicit FileSource(const std::string& path)
        // O_NONBLOCK: should the regular file the walk saw have been swapped
        // for a FIFO, the open must not wait for a writer.
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        if (m_fd >= 0)
            ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~FileSource() override {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool opened() const { return m_fd >= 0; }
    bool seek(std::uint64_t offset) { return ::lseek(m_fd, off_t(offset), SEEK_SET) >= 0; }

    std::optional<std::size_t> fill(char* target, std::size_t capacity) override {
        for (;;) {
            ssize_t got = ::read(m_fd, target, capacity);
            if (got >= 0)
                return std::size_t(got);
            if (errno != EINTR)
                return std::nullopt;
        }
    }

private:
    int m_fd;
};

struct LogFileReader::Decompressor {
    Decompressor() : context(ZSTD_createDCtx()), input(ZSTD_DStreamInSize()) {}
    ~Decompressor() { ZSTD_freeDCtx(context); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    ZSTD_DCtx* context;
    std::vector<char> input;
};

class LogFileReader::ZstdSource final : public Source {
public:
    ZstdSource(FileSource& file, Decompressor& decompressor)
        : m_file(file), m_decompressor(decompressor) {
        ZSTD_DCtx_reset(m_decompressor.context, ZSTD_reset_session_only);
    }

    std::optional<std::size_t> fill(char* target, std::size_t capacity) override {
        ZSTD_outBuffer out{target, capacity, 0};
        while (out.pos < out.size) {
            if (m_in.pos == m_in.size) {
                if (!m_inputEnded) {
                    auto got =
                        m_file.fill(m_decompressor.input.data(), m_decompressor.input.size());
                    if (!got)
                        return std::nullopt;
                    m_inputEnded = *got == 0;
                    m_in = {m_decompressor.input.data(), *got, 0};
                }
                // Every frame ended and was flushed: asking again would only
                // make the decompressor wait for another frame.
                if (m_inputEnded && !m_frameOpen)
                    break;
            }
            std::size_t before = out.pos;
            std::size_t hint = ZSTD_decompressStream(m_decompressor.context, &out, &m_in);
            if (ZSTD_isError(hint))
                return std::nullopt;
            m_frameOpen = hint != 0;
            // With all input consumed, a call that yields nothing more means
            // the decompressor holds nothing back either.
            if (m_inputEnded && m_in.pos == m_in.size && out.pos == before)
                break;
        }
        // A stream that stops inside a frame (or never starts one) was cut
        // short: its text can't be trusted to be whole.
        if (out.pos == 0 && m_frameOpen)
            return std::nullopt;
        return out.pos;
    }

private:
    FileSource& m_file;
    Decompressor& m_decompressor;
    ZSTD_inBuffer m_in{nullptr, 0, 0};
    bool m_inputEnded = false;
    bool m_frameOpen = true;
};

class LogFileReader::TextSource final : public Source {
public:
    explicit TextSource(std::string_view text) : m_text(text) {}

    std::optional<std::size_t> fill(char* target, std::size_t capacity) override {
        std::size_t count = std::min(capacity, m_text.size());
        std::memcpy(target, m_text.data(), count);
        m_text.remove_prefix(count);
        return count;
    }

private:
    std::string_view m_text;
};

std::optional<Fingerprint> fingerprintOf(const std::string& path, std::uint64_t size) {
    constexpr std::uint64_t kSpan = 4096;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    char bytes[kSpan];
    auto hashAt = [&](std::uint64_t offset, std::uint64_t length) -> std::optional<std::uint64_t> {
        ssize_t got = ::pread(fd, bytes, length, off_t(offset));
        if (got != ssize_t(length))
            return std::nullopt;
        return std::hash<std::string_view>()(std::string_view(bytes, length));
    };
    auto head = hashAt(0, std::min(size, kSpan));
    auto tail = hashAt(size - std::min(size, kSpan), std::min(size, kSpan));
    ::close(fd);
    if (!head || !tail)
        return std::nullopt;
    return Fingerprint{*head, *tail};
}

LogFileReader::LogFileReader(std::size_t chunkBytes)
    : m_buffer(new char[std::max<std::size_t>(chunkBytes, 1) + kLinePadding]),
      m_capacity(std::max<std::size_t>(chunkBytes, 1)) {}

LogFileReader::~LogFileReader() = default;

std::optional<LogRows> LogFileReader::read(const std::string& path, Compression compression,
                                           ReadMark* mark) {
    FileSource file(path);
    if (!file.opened())
        return std::nullopt;
    LogRows rows;
    ReadMark end;
    if (compression == Compression::None) {
        if (!readFrom(file, rows, end))
            return std::nullopt;
    } else {
        if (!m_decompressor)
            m_decompressor = std::make_unique<Decompressor>();
        if (!m_decompressor->context)
            return std::nullopt;
        ZstdSource source(file, *m_decompressor);
        if (!readFrom(source, rows, end))
            return std::nullopt;
    }
    rows.usage.shrink_to_fit();
    rows.tokenCounts.shrink_to_fit();
    rows.ids.shrink_to_fit();
    if (mark)
        *mark = end;
    return rows;
}

std::optional<LogRows> LogFileReader::readAppended(const std::string& path, ReadMark& mark) {
    FileSource file(path);
    if (!file.opened() || !file.seek(mark.completeBytes))
        return std::nullopt;
    LogRows rows;
    if (!readFrom(file, rows, mark))
        return std::nullopt;
    return rows;
}

std::optional<LogRows> LogFileReader::readText(std::string_view text) {
    TextSource source(text);
    LogRows rows;
    ReadMark mark;
    if (!readFrom(source, rows, mark))
        return std::nullopt;
    return rows;
}

// The buffer holds the unfinished line carried over from the last chunk,
// then the new chunk. Lines are parsed where they lie; the padding after the
// buffer lets the parser read past the last one. `mark` says where the
// source began and, afterwards, where its last line feed ended.
bool LogFileReader::readFrom(Source& source, LogRows& rows, ReadMark& mark) {
    std::uint64_t bufferStart = mark.completeBytes; // the offset of the buffer's first byte
    std::size_t filled = 0;
    for (;;) {
        if (filled == m_capacity)
            grow(); // one line longer than the buffer
        auto got = source.fill(m_buffer.get() + filled, m_capacity - filled);
        if (!got)
            return false;
        if (*got == 0) {
            // The last line may lack its line feed.
            std::size_t usage = rows.usage.size(), tokenCounts = rows.tokenCounts.size();
            if (!takeLine(m_buffer.get(), filled, rows))
                return false;
            mark = {bufferStart, std::uint32_t(rows.usage.size() - usage),
                    std::uint32_t(rows.tokenCounts.size() - tokenCounts)};
            return true;
        }
        char* data = m_buffer.get();
        std::size_t searchFrom = filled; // the carried part holds no line feed
        filled += *got;
        std::size_t lineStart = 0;
        while (auto* feed =
                   static_cast<char*>(std::memchr(data + searchFrom, '\n', filled - searchFrom))) {
            std::size_t end = std::size_t(feed - data);
            if (!takeLine(data + lineStart, end - lineStart, rows))
                return false;
            lineStart = searchFrom = end + 1;
        }
        std::memmove(data, data + lineStart, filled - lineStart);
        filled -= lineStart;
        bufferStart += lineStart;
    }
}

// False when the line shows that the file is not UTF-8.
bool LogFileReader::takeLine(const char* text, std::size_t length, LogRows& rows) {
    if (length > 0 && text[length - 1] == '\r')
        --length;
    if (length == 0)
        return true;
    return m_reducer.reduce(text, length, rows) != LineVerdict::NotUtf8;
}

void LogFileReader::grow() {
    std::size_t capacity = m_capacity * 2;
    std::unique_ptr<char[]> buffer(new char[capacity + kLinePadding]);
    std::memcpy(buffer.get(), m_buffer.get(), m_capacity);
    m_buffer = std::move(buffer);
    m_capacity = capacity;
}

} // namespace brimlow
