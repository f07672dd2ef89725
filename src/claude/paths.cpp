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

std::vector<std::string> claudeProjectRoots(const Environment& env, Overrides overrides) {
    if (auto configured = env.get("CLAUDE_CONFIG_DIR");
        configured && overrides == Overrides::Honoured)
        return {joinPath(*configured, "projects")};
    return {joinPath(homeDirectory(env), ".claude/projects"),
            joinPath(xdgBaseDirectory(env, "XDG_CONFIG_HOME", ".config"), "claude/projects")};
}

std::string supportDirectory(const Environment& env) {
    return joinPath(xdgBaseDirectory(env, "XDG_DATA_HOME", ".local/share"), "Brimlow");
}

std::string statuslineBackupPath(const Environment& env) {
    return joinPath(supportDirectory(env), "claude-statusline-backup.json");
}

std::string quotaSnapshotPath(const Environment& env) {
    return joinPath(supportDirectory(env), "claude-quota.json");
}

std::string quotaHistoryPath(const Environment& env) {
    return joinPath(supportDirectory(env), "claude-quota-history.jsonl");
}

} // namespace brimlow
