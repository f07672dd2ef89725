// Everything a meter model reaches, faked under one private directory: the
// logs and data directory, a clock, the live Codex answer (held until
// released, if the test asks), notifications, the login item, settings and
// wake events. The model tests, the panel's tests and the tray's use it.
#pragma once

#include "model/meter_model.h"
#include "test_support/fake_notification_center.h"
#include "test_support/fake_services.h"
#include "test_support/temp_dir.h"

#include <QTest>
#include <condition_variable>
#include <mutex>

namespace brimlow {

// The live query as the worker thread meets it.
class FakeCodex {
public:
    Result<CodexLimits> answer() {
        std::unique_lock lock(m_mutex);
        ++m_calls;
        m_open.wait(lock, [&] { return !m_held; });
        return m_answer;
    }
    void set(Result<CodexLimits> answer) {
        std::lock_guard lock(m_mutex);
        m_answer = std::move(answer);
    }
    // While held, a cycle waits at the query.
    void hold(bool on) {
        std::lock_guard lock(m_mutex);
        m_held = on;
        m_open.notify_all();
    }
    int calls() {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_open;
    Result<CodexLimits> m_answer{CodexLimits{}};
    bool m_held = false;
    int m_calls = 0;
};

struct MeterWorld {
    MeterServices services() {
        return {
            .env = env,
            .clock = clock,
            .fetchCodexQuota = [codex = codex](const Environment&) { return codex->answer(); },
            .notifications = center,
            .timeOfDay = [](Time) { return std::string("21:00"); },
            .login = login,
            .settings = settings,
            .wake = wake,
            .claudeBridgeInstalled = [] { return false; },
            .connectClaude = [this]() -> Result<void> {
                if (connectFailure)
                    return *connectFailure;
                return {};
            },
        };
    }
    // A model whose first cycle has ended.
    std::unique_ptr<MeterModel> refreshedModel() {
        auto model = std::make_unique<MeterModel>(services());
        model->refresh();
        (void)QTest::qWaitFor([&] { return !model->refreshing(); });
        return model;
    }

    TempDir dir;
    std::shared_ptr<FakeEnvironment> env = privateEnvironment(dir.path());
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<FakeCodex> codex = std::make_shared<FakeCodex>();
    std::shared_ptr<FakeCenter> center = std::make_shared<FakeCenter>();
    std::shared_ptr<FakeLogin> login = std::make_shared<FakeLogin>();
    std::shared_ptr<FakeSettings> settings = std::make_shared<FakeSettings>();
    std::shared_ptr<FakeWake> wake = std::make_shared<FakeWake>();
    std::optional<Error> connectFailure;
};

} // namespace brimlow
