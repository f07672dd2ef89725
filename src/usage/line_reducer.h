// Turns one log line into at most one reduced row.
#pragma once

#include "usage/log_rows.h"

#include <cstddef>
#include <memory>

namespace brimlow {

// Bytes that must be readable after a line handed to LineReducer: the JSON
// parser loads whole vector blocks and may read past the end of the text.
inline constexpr std::size_t kLinePadding = 64;

enum class LineVerdict {
    Json,    // a JSON document; it gave a row if it had one of the two shapes
    NotJson, // not JSON (or not whole); it gives nothing, the file goes on
    NotUtf8, // bytes that are not UTF-8: the whole file must be passed over
};

// Holds a validating JSON parser and its buffers, reused from line to line.
// One per thread.
class LineReducer {
public:
    LineReducer();
    ~LineReducer();
    LineReducer(const LineReducer&) = delete;
    LineReducer& operator=(const LineReducer&) = delete;

    // Appends the line's row, if any, to `rows`. The text must be followed
    // by kLinePadding readable bytes (their values do not matter).
    LineVerdict reduce(const char* text, std::size_t length, LogRows& rows);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace brimlow
