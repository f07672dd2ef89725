// A line for a person reading the terminal, shown at once: the command-line
// modes print a few lines and then wait on something slow, or end by
// replacing the process, which would lose anything still buffered.
#pragma once

#include <cstdio>
#include <string_view>

namespace brimlow {

// Writes `line` and a line feed, then flushes `out`. Write errors are
// ignored: there is nowhere left to report them.
inline void printLine(std::FILE* out, std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

} // namespace brimlow
