#include "app/meter_services.h"
#include "base/files.h"
#include "model/meter_model.h"
#include "platform/autostart.h"
#include "test_support/fake_environment.h"
#include "test_support/fake_notification_center.h"
#include "test_support/fake_services.h"
#include "test_support/temp_dir.h"
#include "test_support/without_override.h"
#include "texts/texts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

bool runEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

std::string statusOf(const QVariantMap& view) {
    return view["status"].toString().toStdString();
}

// The live query, held until the test releases it.
class Gate {
public:
    Result<CodexLimits> wait() {
        std::unique_lock lock(m_mutex);
        ++calls;
        m_open.wait(lock, [&] { return m_released; });
        m_released = m_autoRelease;
        return answer;
    }
    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_open.notify_all();
    }
    void alwaysOpen() {
        m_autoRelease = true;
        release();
    }
    std::atomic<int> calls{0};
    Result<CodexLimits> answer{CodexLimits{}};

private:
    std::mutex m_mutex;
    std::condition_variable m_open;
    bool m_released = false;
    bool m_autoRelease = false;
};

class Model : public ::testing::Test {
protected:
    Model() {
        m_dir.write(
            "codex/sessions/a.jsonl",
            R"({"timestamp":"2025-10-01T09:00:00Z","payload":{"type":"token_count","rate_limits":{"primary":{"used_percent":90,"window_minutes":300,"resets_at":1759330800}},"info":{"total_token_usage":{"input_tokens":100,"output_tokens":20}}}})"
            "\n");
        m_dir.write(
            "claude/projects/p/s.jsonl",
            R"({"timestamp":"2025-10-01T10:00:00Z","message":{"id":"m","usage":{"input_tokens":1000,"output_tokens":234}}})"
            "\n");
    }

    std::unique_ptr<MeterModel> makeModel() {
        MeterServices services{
            .env = m_env,
            .clock = std::make_shared<FakeClock>(),
            .fetchCodexQuota = [gate = m_gate](const Environment&) { return gate->wait(); },
            .notifications = m_center,
            .timeOfDay = [](Time) { return std::string("21:00"); },
            .login = m_login,
            .settings = m_settings,
            .wake = m_wake,
            .claudeBridgeInstalled = [] { return false; },
            .connectClaude = [this]() -> Result<void> {
                if (m_connectFails)
                    return Error{ErrorKind::Malformed, "/x/settings.json: parse error"};
                return {};
            },
        };
        auto model = std::make_unique<MeterModel>(std::move(services));
        QObject::connect(model.get(), &MeterModel::published, [this] { ++m_updates; });
        return model;
    }

    TempDir m_dir;
    std::shared_ptr<FakeEnvironment> m_env = privateEnvironment(m_dir.path());
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
    std::shared_ptr<FakeCenter> m_center = std::make_shared<FakeCenter>();
    std::shared_ptr<FakeLogin> m_login = std::make_shared<FakeLogin>();
    std::shared_ptr<FakeSettings> m_settings = std::make_shared<FakeSettings>();
    std::shared_ptr<FakeWake> m_wake = std::make_shared<FakeWake>();
    bool m_connectFails = false;
    int m_updates = 0;
};

TEST_F(Model, ACyclePublishesLocalFiguresFirstThenTheLiveAnswer) {
    auto model = makeModel();
    EXPECT_EQ(model->title().toStdString(), "C —  A 0");
    EXPECT_EQ(statusOf(model->codexView()), "기록 없음");

    m_gate->answer = CodexLimits{{{12.5, 300, *fromUnixSeconds(1759334400)}}, "pro"};
    model->start();
    EXPECT_TRUE(model->refreshing());
    ASSERT_TRUE(runEventsUntil([&] { return m_updates == 1; }));
    // The local figures, from CODEX_HOME and CLAUDE_CONFIG_DIR.
    EXPECT_EQ(model->codex().entries.size(), 1u);
    EXPECT_EQ(statusOf(model->codexView()), "로컬 기록 · 한도 스냅샷");
    EXPECT_EQ(model->title().toStdString(), "C 90%  A 1.2K");
    EXPECT_FALSE(model->updated().isValid());
    EXPECT_TRUE(model->refreshing());

    // Ticks and wake-ups during the cycle start nothing.
    model->refresh();
    m_wake->handler();
    m_gate->release();
    ASSERT_TRUE(runEventsUntil([&] { return !model->refreshing(); }));
    EXPECT_EQ(m_updates, 2);
    EXPECT_TRUE(model->updated().isValid());
    EXPECT_EQ(statusOf(model->codexView()), "계정 한도 · 실시간 조회");
    EXPECT_EQ(model->codex().plan, "pro");
    EXPECT_EQ(model->title().toStdString(), "C 13%  A 1.2K");
    EXPECT_EQ(m_gate->calls, 1);
    EXPECT_EQ(m_center->pendingQueries, 1) << "one sync per cycle";

    // The sync schedules the live window, which is at 12.5 %: nothing.
    EXPECT_TRUE(m_center->pending.empty());
}

TEST_F(Model, AFailedQueryKeepsTheLocalWindows) {
    m_gate->answer = Error{ErrorKind::NotFound, "no codex"};
    m_gate->alwaysOpen();
    auto model = makeModel();
    model->refresh();
    ASSERT_TRUE(runEventsUntil([&] { return m_updates == 2; }));
    EXPECT_EQ(statusOf(model->codexView()), "Codex CLI를 찾을 수 없습니다 · 로컬 스냅샷");
    ASSERT_EQ(model->codex().quotas.size(), 1u);
    EXPECT_EQ(model->codex().quotas[0].percent, 90);

    // The local window is at 90 % and resets in an hour: it is announced.
    ASSERT_EQ(m_center->pending.size(), 1u);
    EXPECT_EQ(m_center->pending[0].title, "Codex 5시간 한도 초기화");
}

TEST_F(Model, TheClaudeSnapshotIsMerged) {
    m_dir.write("data/Brimlow/claude-quota.json",
                R"({"rate_limits":{"five_hour":{"used_percentage":33}},"updatedAt":1759300000})");
    m_gate->alwaysOpen();
    auto model = makeModel();
    model->refresh();
    ASSERT_TRUE(runEventsUntil([&] { return !model->refreshing(); }));
    EXPECT_EQ(statusOf(model->claudeView()), "Claude Code 한도 스냅샷 · 로컬 토큰");
    EXPECT_EQ(model->title().toStdString(), "C 90%  A 33%");
}

TEST_F(Model, TheAlertSettingIsStoredAndFollowed) {
    // Absent: on. Switched off, the pending reset requests go, the test's stays.
    auto model = makeModel();
    EXPECT_TRUE(model->notifyReset());
    m_center->pending = {{"reset.Codex.300.1", "t", "b", Time{}}, {"test.1.0", "t", "b", Time{}}};
    model->setNotify(false);
    EXPECT_EQ(m_settings->values["notifyReset"], false);
    EXPECT_EQ(m_center->pendingIds(), std::vector<std::string>{"test.1.0"});
    model->setNotify(true);
    EXPECT_EQ(m_settings->values["notifyReset"], true);
    EXPECT_EQ(model->notifyError(), "");

    // Without a notification service: warned at start and after every
    // refresh and test while alerts are on; not while they are off.
    m_center = nullptr;
    m_gate->alwaysOpen();
    auto without = makeModel();
    without->start();
    EXPECT_EQ(without->notifyError().toStdString(), kNotifyUnavailable);
    ASSERT_TRUE(runEventsUntil([&] { return !without->refreshing(); }));
    EXPECT_EQ(without->notifyError().toStdString(), kNotifyUnavailable);
    without->setNotify(false);
    EXPECT_EQ(without->notifyError(), "");
    without->testNotify();
    EXPECT_EQ(without->notifyError().toStdString(), kNotifyUnavailable);
}

TEST_F(Model, StoredFalseMeansNoWarningAtStart) {
    m_settings->values["notifyReset"] = false;
    m_center = nullptr;
    m_gate->alwaysOpen();
    auto model = makeModel();
    EXPECT_FALSE(model->notifyReset());
    model->start();
    EXPECT_EQ(model->notifyError(), "");
    // A stored value of another type reads as absent: alerts on.
    m_settings->values["notifyReset"] = std::nullopt;
    EXPECT_TRUE(makeModel()->notifyReset());
}

TEST_F(Model, LaunchAtLoginOutcomes) {
    auto model = makeModel();
    model->setLogin(true);
    EXPECT_TRUE(model->loginEnabled());
    EXPECT_EQ(model->loginError(), "");
    model->setLogin(false);
    EXPECT_FALSE(model->loginEnabled());

    m_login->failWith = "/x/autostart/brimlow.desktop: Permission denied";
    model->setLogin(true);
    EXPECT_FALSE(model->loginEnabled());
    EXPECT_EQ(model->loginError(),
              "로그인 실행 설정 실패: /x/autostart/brimlow.desktop: Permission denied");
}

TEST_F(Model, AReadOnlyAutostartDirectoryShowsTheFailureText) {
    m_env->set("XDG_CONFIG_HOME", m_dir / "config");
    auto entry = std::make_shared<AutostartEntry>(m_env, "/usr/bin/brimlow");
    m_login = nullptr;
    MeterServices services{
        .env = m_env,
        .clock = std::make_shared<FakeClock>(),
        .fetchCodexQuota = [](const Environment&) { return Result<CodexLimits>(CodexLimits{}); },
        .timeOfDay = [](Time) { return std::string(); },
        .login = entry,
        .settings = m_settings,
        .claudeBridgeInstalled = [] { return false; },
        .connectClaude = [] { return Result<void>(); },
    };
    MeterModel model(std::move(services));
    std::filesystem::create_directories(m_dir / "config/autostart");
    chmod((m_dir / "config/autostart").c_str(), 0555);
    {
        WithoutFileOverride asAUser;
        model.setLogin(true);
    }
    chmod((m_dir / "config/autostart").c_str(), 0755);
    EXPECT_FALSE(model.loginEnabled());
    EXPECT_EQ(model.loginError(), QString::fromStdString("로그인 실행 설정 실패: " + entry->path() +
                                                         ": Permission denied"));
}

TEST_F(Model, ConnectingClaudeRefreshesOrShowsTheError) {
    m_gate->alwaysOpen();
    auto model = makeModel();
    m_connectFails = true;
    model->connectClaude();
    EXPECT_EQ(model->loginError(), "/x/settings.json: parse error");
    EXPECT_FALSE(model->claudeConnected());

    m_connectFails = false;
    model->connectClaude();
    EXPECT_TRUE(model->claudeConnected());
    EXPECT_TRUE(model->refreshing());
    ASSERT_TRUE(runEventsUntil([&] { return !model->refreshing(); }));
}

TEST_F(Model, TotalsFollowThePeriod) {
    m_gate->alwaysOpen();
    auto model = makeModel();
    model->refresh();
    ASSERT_TRUE(runEventsUntil([&] { return !model->refreshing(); }));
    EXPECT_EQ(model->claudeTotals()["total"].toLongLong(), 1234);
    int changes = 0;
    QObject::connect(model.get(), &MeterModel::totalsChanged, [&] { ++changes; });
    model->setPeriod(MeterModel::Period::AllRecords);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(model->codexTotals()["total"].toLongLong(), 120);
}

// The model on this desktop's real services, in a private home without a
// session bus: it starts, reads nothing and offers no alerts.
TEST(DesktopModel, StartsOnTheRealServicesWithoutABus) {
    TempDir home;
    std::map<std::string, std::optional<std::string>> saved;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS",
          "CODEX_HOME", "CLAUDE_CONFIG_DIR", "PATH"}) {
        const char* value = std::getenv(name);
        saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
        unsetenv(name);
    }
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    setenv("PATH", (home / "bin").c_str(), 1);
    {
        MeterModel model(desktopMeterServices("/opt/b/bin/brimlow"));
        EXPECT_FALSE(model.loginEnabled());
        EXPECT_TRUE(model.notifyReset());
        model.start();
        EXPECT_EQ(model.notifyError().toStdString(), kNotifyUnavailable);
        ASSERT_TRUE(runEventsUntil([&] { return !model.refreshing(); }, 20000));
        EXPECT_EQ(statusOf(model.codexView()), "Codex CLI를 찾을 수 없습니다 · 로컬 스냅샷");
        EXPECT_EQ(model.title().toStdString(), "C —  A 0");
        model.setNotify(false);
        model.setLogin(true);
        EXPECT_TRUE(model.loginEnabled());
        auto entry = readWholeFile(home / ".config/autostart/brimlow.desktop"); // not the helper's
        EXPECT_NE(entry.value().find("\nExec=/opt/b/bin/brimlow\n"), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(home / ".config/Brimlow/Brimlow.conf"));
    }
    for (const auto& [name, value] : saved) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

} // namespace
} // namespace brimlow
