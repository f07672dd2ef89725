// Modes whose libraries cost more to load than the status-line mode may
// spend live in modules that the executable opens only when it needs them.
#pragma once

#include "base/result.h"

#include <string>
#include <vector>

namespace brimlow {

// The directories searched for a module, in order: the executable's own
// directory (a build tree, or an installation that keeps them together);
// "lib/brimlow" and `libDirName`/brimlow of the installation the executable
// sits in (its directory's parent), so that an installation moved elsewhere
// still works; then the module directory it was configured for.
std::vector<std::string> moduleDirectories(const std::string& executablePath,
                                           const std::string& libDirName,
                                           const std::string& installedDirectory);

// Opens `fileName` from the first directory that has it and returns the
// address of its entry point `symbol`. The error says what was looked for
// and where.
Result<void*> loadModuleEntry(const std::vector<std::string>& directories,
                              const std::string& fileName, const char* symbol);

} // namespace brimlow
