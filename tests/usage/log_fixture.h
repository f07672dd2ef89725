// Log trees built on disk for the reader tests: a private temporary
// directory per test, removed with everything in it afterwards.
#pragma once

#include "base/time.h"

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <zstd.h>

namespace brimlow::testing {

class TempTree {
public:
    TempTree() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brimlow-usage-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_root = pattern;
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return m_root; }
    std::string path(const std::string& relative) const { return m_root + "/" + relative; }

    void write(const std::string& relative, const std::string& content) const {
        std::filesystem::path file = path(relative);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    }

    void writeCompressed(const std::string& relative, const std::string& content) const {
        write(relative, compress(content));
    }

    // Rewrites a file with content of the same size and gives it back its
    // modification time: to the reader's cache it is the same file.
    void replaceKeepingStamp(const std::string& relative, const std::string& content) const {
        timespec before = modified(relative);
        ASSERT_EQ(std::filesystem::file_size(path(relative)), content.size()) << relative;
        write(relative, content);
        setModified(relative, before);
    }

    timespec modified(const std::string& relative) const {
        struct stat info {};
        EXPECT_EQ(::stat(path(relative).c_str(), &info), 0) << relative;
        return info.st_mtim;
    }

    void setModified(const std::string& relative, timespec when) const {
        timespec times[2] = {when, when};
        EXPECT_EQ(::utimensat(AT_FDCWD, path(relative).c_str(), times, 0), 0) << relative;
    }

    static std::string compress(const std::string& content) {
        std::string out(ZSTD_compressBound(content.size()), '\0');
        std::size_t size = ZSTD_compress(out.data(), out.size(), content.data(), content.size(), 3);
        if (ZSTD_isError(size))
            throw std::runtime_error("ZSTD_compress failed");
        out.resize(size);
        return out;
    }

private:
    std::string m_root;
};

// One line per element, each ended by a line feed.
inline std::string jsonl(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

inline Time at(const char* rfc3339) {
    return *parseRfc3339(rfc3339);
}

// A Claude project-log line with a message's usage.
inline std::string claudeLine(const std::string& timestamp, const std::string& id,
                              std::int64_t input, std::int64_t output, std::int64_t cacheRead = 0,
                              std::int64_t cacheCreation = 0) {
    return R"({"type":"assistant","timestamp":")" + timestamp + R"(","message":{"id":")" + id +
           R"(","usage":{"input_tokens":)" + std::to_string(input) + R"(,"output_tokens":)" +
           std::to_string(output) + R"(,"cache_read_input_tokens":)" + std::to_string(cacheRead) +
           R"(,"cache_creation_input_tokens":)" + std::to_string(cacheCreation) + "}}}";
}

// A Codex token-count line with cumulative counters and no rate limits.
inline std::string codexLine(const std::string& timestamp, std::int64_t input,
                             std::int64_t output) {
    return R"({"timestamp":")" + timestamp +
           R"(","type":"event_msg","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":)" +
           std::to_string(input) + R"(,"output_tokens":)" + std::to_string(output) + "}}}}";
}

// A Codex token-count line carrying only a rate-limit snapshot; `limits` is
// the text of the "rate_limits" object.
inline std::string codexLimitsLine(const std::string& timestamp, const std::string& limits) {
    return R"({"timestamp":")" + timestamp +
           R"(","type":"event_msg","payload":{"type":"token_count","info":null,"rate_limits":)" +
           limits + "}}";
}

} // namespace brimlow::testing
