// Stand-ins for the system services the model and the tray use: a clock the
// test sets, a login item, a settings store and a wake source held in memory.
#pragma once

#include "base/time.h"
#include "model/services.h"

#include <map>

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
            return Error{*failWith, EACCES};
        state = afterRegister;
        return {};
    }
    Result<void> unregisterItem() override {
        state = LoginItemStatus::NotRegistered;
        return {};
    }
    LoginItemStatus status() const override { return state; }

    LoginItemStatus state = LoginItemStatus::NotRegistered;
    LoginItemStatus afterRegister = LoginItemStatus::Enabled;
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

} // namespace brimlow
