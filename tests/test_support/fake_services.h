// Stand-ins for the system services the model and the tray use: a clock the
// test sets, a login item, a settings store and a wake source held in memory.
#pragma once

#include "base/environment.h"
#include "base/time.h"
#include "model/services.h"
#include "test_support/fake_environment.h"

#include <map>
#include <memory>

namespace brimlow {

class FakeClock final : public Clock {
public:
    explicit FakeClock(const char* rfc3339 = "2025-10-01T12:00:00Z") : t(*parseRfc3339(rfc3339)) {}
    Time now() const override { return t; }
    Time t;
};

class FakeLogin final : public LoginItemService {
public:
    Result<void> registerItem() override {
        if (failWith)
            return Error{ErrorKind::Rejected, *failWith};
        state = LoginItemStatus::Enabled;
        return {};
    }
    Result<void> unregisterItem() override {
        state = LoginItemStatus::NotRegistered;
        return {};
    }
    LoginItemStatus status() const override { return state; }

    LoginItemStatus state = LoginItemStatus::NotRegistered;
    std::optional<std::string> failWith;
};

class FakeSettings final : public SettingsStore {
public:
    std::optional<bool> readBool(const std::string& key) const override {
        auto it = values.find(key);
        return it == values.end() ? std::nullopt : it->second;
    }
    void writeBool(const std::string& key, bool value) override { values[key] = value; }
    std::map<std::string, std::optional<bool>> values;
};

class FakeWake final : public WakeSource {
public:
    void setWakeHandler(std::function<void()> h) override { handler = std::move(h); }
    std::function<void()> handler;
};

// An environment whose home, Codex and Claude directories and data directory
// all lie below `dir`, so a model reads and writes nothing of the user's.
inline std::shared_ptr<FakeEnvironment> privateEnvironment(const std::string& dir) {
    return std::make_shared<FakeEnvironment>(std::map<std::string, std::string>{
        {"HOME", dir + "/home"},
        {"CODEX_HOME", dir + "/codex"},
        {"CLAUDE_CONFIG_DIR", dir + "/claude"},
        {"XDG_DATA_HOME", dir + "/data"},
    });
}

} // namespace brimlow
