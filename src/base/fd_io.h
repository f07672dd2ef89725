// Reading and writing file descriptors with the retries and signal handling
// that every caller would otherwise have to repeat.
#pragma once

#include "base/result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace brimlow {

// Writes every byte, retrying after short writes and interruptions.
// Writing to a pipe whose reader is gone fails with EPIPE ("Broken pipe")
// instead of ending the program: SIGPIPE is blocked in the calling thread
// for the duration and a SIGPIPE raised by the write is consumed. The
// process-wide signal disposition is left alone, as it belongs to the program.
Result<void> writeAll(int fd, std::string_view bytes);

// One read() of at most `limit` bytes, appended to `buffer`; retried after
// an interruption. Returns the number of bytes read, 0 at end of file.
Result<std::size_t> readSome(int fd, std::string& buffer, std::size_t limit);

} // namespace brimlow
