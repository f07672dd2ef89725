// "--snapshot", a program of its own because the log reader links
// libraries (simdjson, zstd) that the status-line mode must not load.
#include "app/snapshot.h"
#include "base/environment.h"
#include "codex/app_server.h"
#include "usage/local_usage_reader.h"

int main() {
    using namespace brimlow;
    ProcessEnvironment env;
    LocalUsageReader reader;
    // The default places under the home directory, whatever CODEX_HOME and
    // CLAUDE_CONFIG_DIR say: the figures of the user's own tools.
    printSnapshot(stdout, reader, logRoots(env, Overrides::Ignored), startOfLocalDay(systemNow()),
                  [&env] { return fetchCodexQuota(env); });
    return 0;
}
