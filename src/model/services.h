// What the meter model needs of the system, each behind a small interface:
// the desktop implementations live in src/platform, tests use fakes.
#pragma once

#include "base/result.h"

#include <functional>
#include <optional>
#include <string>

namespace brimlow {

enum class LoginItemStatus { Enabled, NotRegistered };

// Starting the application when the user logs in.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    // Failures carry a description a person can read (path and reason).
    virtual Result<void> registerItem() = 0;
    virtual Result<void> unregisterItem() = 0;
    virtual LoginItemStatus status() const = 0;
};

// The user's stored preferences.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Absent when the key is missing or holds something other than a boolean.
    virtual std::optional<bool> readBool(const std::string& key) const = 0;
    virtual void writeBool(const std::string& key, bool value) = 0;
};

// Tells when the machine has woken from sleep, on the main thread.
class WakeSource {
public:
    virtual ~WakeSource() = default;
    virtual void setWakeHandler(std::function<void()> handler) = 0;
};

} // namespace brimlow
