// The user's preferences in QSettings' native store: on Linux the file
// $XDG_CONFIG_HOME/Brimlow/Brimlow.conf (default ~/.config).
#pragma once

#include "model/services.h"

#include <memory>
#include <optional>
#include <string>

class QSettings;

namespace brimlow {

class QtSettingsStore final : public SettingsStore {
public:
    // The user's own store, organisation and application "Brimlow".
    QtSettingsStore();
    // The INI file at `path` instead, so tests never touch the user's.
    explicit QtSettingsStore(const std::string& path);
    ~QtSettingsStore() override;

    QtSettingsStore(const QtSettingsStore&) = delete;
    QtSettingsStore& operator=(const QtSettingsStore&) = delete;

    // The INI format keeps no types: a boolean comes back as the text
    // "true" or "false", so exactly those texts count as booleans, and
    // anything else someone wrote into the file counts as another type.
    std::optional<bool> readBool(const std::string& key) const override;
    // Written to disk at once, so the choice survives a crash right after.
    // A write that fails is not reported: the choice still holds for this
    // run, and the next write tries again.
    void writeBool(const std::string& key, bool value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace brimlow
