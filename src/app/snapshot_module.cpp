// The snapshot mode as a module: the log reader's libraries (simdjson, zstd,
// the shared C++ runtime) are loaded only when a snapshot is asked for.
#include "app/snapshot.h"
#include "base/environment.h"
#include "codex/app_server.h"
#include "usage/local_usage_reader.h"

extern "C" __attribute__((visibility("default"))) int brimlow_snapshot_main() {
    using namespace brimlow;
    ProcessEnvironment env;
    LocalUsageReader reader;
    // The default places under the home directory, whatever CODEX_HOME and
    // CLAUDE_CONFIG_DIR say: the figures of the user's own tools.
    printSnapshot(stdout, reader, logRoots(env, Overrides::Ignored), startOfLocalDay(systemNow()),
                  [&env] { return fetchCodexQuota(env); });
    return 0;
}
