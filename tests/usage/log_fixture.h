// Log lines, and a fixed clock, for the usage tests.
#pragma once

#include "test_support/time_zone.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <zstd.h>

namespace brimlow::testing {

// The time a summing reader takes for now.
struct FixedClock final : Clock {
    explicit FixedClock(const char* rfc3339) : t(utc(rfc3339)) {}
    Time now() const override { return t; }
    Time t;
};

inline std::string zstd(const std::string& content) {
    std::string out(ZSTD_compressBound(content.size()), '\0');
    std::size_t size = ZSTD_compress(out.data(), out.size(), content.data(), content.size(), 3);
    if (ZSTD_isError(size))
        throw std::runtime_error("ZSTD_compress failed");
    out.resize(size);
    return out;
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

// A Codex token-count line as the CLI writes it after each request: the
// session's totals so far and, unless left out, what this request used.
inline std::string codexLine(const std::string& timestamp, std::int64_t input, std::int64_t output,
                             const std::string& lastInput = {},
                             const std::string& lastOutput = {}) {
    std::string last = lastInput.empty() ? ""
                                         : R"(},"last_token_usage":{"input_tokens":)" + lastInput +
                                               R"(,"output_tokens":)" + lastOutput;
    return R"({"timestamp":")" + timestamp +
           R"(","type":"event_msg","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":)" +
           std::to_string(input) + R"(,"output_tokens":)" + std::to_string(output) + last + "}}}}";
}

// A Codex token-count line carrying only a rate-limit snapshot; `limits` is
// the text of the "rate_limits" object.
inline std::string codexLimitsLine(const std::string& timestamp, const std::string& limits) {
    return R"({"timestamp":")" + timestamp +
           R"(","type":"event_msg","payload":{"type":"token_count","info":null,"rate_limits":)" +
           limits + "}}";
}

} // namespace brimlow::testing
