#include "claude/paths.h"

namespace brimlow {

std::string claudeConfigDirectory(const Environment& env) {
    if (auto configured = env.get("CLAUDE_CONFIG_DIR"))
        return *configured;
    return joinPath(homeDirectory(env), ".claude");
}

std::string claudeSettingsPath(const Environment& env) {
    return joinPath(claudeConfigDirectory(env), "settings.json");
}

std::string supportDirectory(const Environment& env) {
    auto dataHome = env.get("XDG_DATA_HOME");
    if (!dataHome || !dataHome->starts_with('/'))
        dataHome = joinPath(homeDirectory(env), ".local/share");
    return joinPath(*dataHome, "Brimlow");
}

std::string statuslineBackupPath(const Environment& env) {
    return joinPath(supportDirectory(env), "claude-statusline-backup.json");
}

std::string quotaSnapshotPath(const Environment& env) {
    return joinPath(supportDirectory(env), "claude-quota.json");
}

} // namespace brimlow
