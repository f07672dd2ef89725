// Whole-file reads and atomic replacement: a reader of a file written here
// sees either all of the old content or all of the new, never a mixture.
#pragma once

#include "base/result.h"

#include <optional>
#include <string>
#include <string_view>

namespace brimlow {

// Reads a whole file. Errors are errno ones whose message has the path and
// the system's text, e.g. "/x/settings.json: No such file or directory".
Result<std::string> readWholeFile(const std::string& path);

enum class Durability {
    // fsync the data before the rename and the directory after it: for the
    // user's own files, which must survive a crash right after the write.
    Synced,
    // Only the rename: for small files rewritten many times a minute whose
    // loss in a crash costs nothing.
    Unsynced,
};

// Replaces `path` with `bytes` through a temporary file created exclusively
// in the same directory. The replacement keeps the permission bits of the
// file it replaces (a new file gets 0644 less the umask). When `path` is a
// symbolic link, the file it points to is replaced and the link stays. No
// temporary file is left behind on failure.
Result<void> writeFileAtomic(const std::string& path, std::string_view bytes,
                             Durability durability);

// writeFileAtomic for a change computed from the file's earlier content:
// `readBefore` is that content, or nothing when the file did not exist. If
// the file no longer holds it right before the replacement, nothing is
// written and the error's kind is ErrorKind::ChangedMeanwhile; the caller reads
// again and recomputes. (Another program may still write in the moment
// between that check and the rename; without a lock the two share, that
// window can only be made small.)
Result<void> replaceFileIfUnchanged(const std::string& path, std::string_view bytes,
                                    const std::optional<std::string>& readBefore,
                                    Durability durability);

// The directory part of a path, without the slashes that end it
// ("/opt/tools//codex" gives "/opt/tools"); the root stays "/", and a bare
// name gives ".".
std::string directoryOf(const std::string& path);

// mkdir -p: creates the directory and its missing parents; an existing
// directory is success.
Result<void> createDirectories(const std::string& path);

} // namespace brimlow
