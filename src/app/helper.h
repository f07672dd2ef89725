// The modes that need Qt or the log reader's libraries run as helper
// programs that `brimlow` replaces itself with, so that `brimlow` itself
// loads no shared library but the C library.
#pragma once

#include "base/result.h"

#include <string>
#include <vector>

namespace brimlow {

// The directories searched for a helper, in order: the executable's own
// directory (a build tree, or an installation that keeps them together);
// "lib/brimlow" and `libDirName`/brimlow of the installation the executable
// sits in (its directory's parent), so that an installation moved elsewhere
// still works; then the helper directory it was configured for.
std::vector<std::string> helperDirectories(const std::string& executablePath,
                                           const std::string& libDirName,
                                           const std::string& installedDirectory);

// Replaces this process with the helper `name` from the first directory
// that has it, passing on `argv` (null-terminated) with `launcher` as
// argv[0]. Keeping the process keeps its pid, so whoever started `brimlow`
// waits for the helper and gets its exit status. Returns only on failure,
// with the path that failed and why, or (NotFound) the paths searched.
Error execHelper(const std::vector<std::string>& directories, const std::string& name, char** argv,
                 const std::string& launcher);

// The `brimlow` a helper was started by, as the helper sees it: what the
// autostart entry and the Claude bridge must run, not the helper itself.
// Run by hand with a bare name, the helper falls back to looking `brimlow`
// up in PATH.
std::string launcherPath(int argc, char** argv);

} // namespace brimlow
