#include "app/meter_services.h"
#include "base/files.h"
#include "model/meter_model.h"
#include "test_support/meter_world.h"
#include "test_support/time_zone.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

std::string statusOf(const QVariantMap& view) {
    return view["status"].toString().toStdString();
}

class Model : public ::testing::Test, protected MeterWorld {
protected:
    Model() {
        dir.write(
            "codex/sessions/a.jsonl",
            R"({"timestamp":"2025-10-01T09:00:00Z","payload":{"type":"token_count","rate_limits":{"primary":{"used_percent":90,"window_minutes":300,"resets_at":1759330800}},"info":{"total_token_usage":{"input_tokens":100,"output_tokens":20}}}})"
            "\n");
        dir.write(
            "claude/projects/p/s.jsonl",
            R"({"timestamp":"2025-10-01T10:00:00Z","message":{"id":"m","usage":{"input_tokens":1000,"output_tokens":234}}})"
            "\n");
    }

    std::unique_ptr<MeterModel> makeModel() {
        auto model = std::make_unique<MeterModel>(services());
        QObject::connect(model.get(), &MeterModel::published, [this] { ++m_updates; });
        return model;
    }

    int m_updates = 0;
};

TEST_F(Model, ACyclePublishesLocalFiguresFirstThenTheLiveAnswer) {
    auto model = makeModel();
    EXPECT_EQ(model->title().toStdString(), "C —  A 0");
    EXPECT_EQ(statusOf(model->codexView()), "기록 없음");

    codex->set(CodexLimits{{{12.5, 300, *fromUnixSeconds(1759334400)}}, "pro"});
    codex->hold(true);
    model->start();
    EXPECT_TRUE(model->refreshing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_updates == 1; }));
    // The local figures, from CODEX_HOME and CLAUDE_CONFIG_DIR.
    EXPECT_EQ(model->codex().recordCount(), 1);
    EXPECT_EQ(statusOf(model->codexView()), "로컬 기록 · 한도 스냅샷");
    EXPECT_EQ(model->title().toStdString(), "C 90%  A 1.2K");
    EXPECT_FALSE(model->updated().isValid());
    EXPECT_TRUE(model->refreshing());

    // Ticks and wake-ups during the cycle start nothing.
    model->refresh();
    wake->handler();
    codex->hold(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->refreshing(); }));
    EXPECT_FALSE(QTest::qWaitFor([&] { return m_updates > 2; }, 300)) << "a second cycle ran";
    EXPECT_TRUE(model->updated().isValid());
    EXPECT_EQ(statusOf(model->codexView()), "계정 한도 · 실시간 조회");
    EXPECT_EQ(model->codex().plan, "pro");
    EXPECT_EQ(model->title().toStdString(), "C 13%  A 1.2K");
    EXPECT_EQ(codex->calls(), 1);
    EXPECT_EQ(center->pendingQueries, 1) << "one sync per cycle";

    // The sync schedules the live window, which is at 12.5 %: nothing.
    EXPECT_TRUE(center->pending.empty());
}

TEST_F(Model, AFailedQueryKeepsTheLocalWindows) {
    codex->set(Error{ErrorKind::NotFound, "no codex"});
    auto model = makeModel();
    model->refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_updates == 2; }));
    EXPECT_EQ(statusOf(model->codexView()), "Codex CLI를 찾을 수 없습니다 · 로컬 스냅샷");
    ASSERT_EQ(model->codex().quotas.size(), 1u);
    EXPECT_EQ(model->codex().quotas[0].percent, 90);

    // The local window is at 90 % and resets in an hour: it is announced.
    ASSERT_EQ(center->pending.size(), 1u);
    EXPECT_EQ(center->pending[0].title, "Codex 5시간 한도 초기화");
}

// Absent or not a boolean: on. Switched off, the pending reset requests go,
// the test's stays. Without a notification service the warning shows at
// start and after a refresh only while alerts are on.
TEST_F(Model, TheAlertSettingIsStoredAndFollowed) {
    auto model = makeModel();
    EXPECT_TRUE(model->notifyReset());
    center->pending = {{"reset.Codex.300.1", "t", "b", Time{}}, {"test.1.0", "t", "b", Time{}}};
    model->setNotify(false);
    EXPECT_EQ(center->pendingIds(), std::vector<std::string>{"test.1.0"});
    settings->values["notifyReset"] = std::nullopt;
    EXPECT_TRUE(makeModel()->notifyReset());

    center = nullptr;
    for (bool on : {true, false}) {
        settings->values["notifyReset"] = on;
        auto without = makeModel();
        without->start();
        EXPECT_EQ(without->notifyError().isEmpty(), !on);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !without->refreshing(); }));
        EXPECT_EQ(without->notifyError().toStdString(), on ? kNotifyUnavailable : "");
    }
}

TEST_F(Model, ConnectingClaudeRefreshesOrShowsTheError) {
    auto model = makeModel();
    connectFailure = Error{ErrorKind::Malformed, "/x/settings.json: parse error"};
    model->connectClaude();
    EXPECT_EQ(model->loginError(), "/x/settings.json: parse error");
    EXPECT_FALSE(model->claudeConnected());

    connectFailure.reset();
    model->connectClaude();
    EXPECT_TRUE(model->claudeConnected());
    EXPECT_TRUE(model->refreshing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->refreshing(); }));
}

// The model on this desktop's real services, in a private home without a
// session bus: it starts, reads nothing and offers no alerts.
TEST(DesktopModel, StartsOnTheRealServicesWithoutABus) {
    TempDir home;
    WithVariables env({{"HOME", home.path()},
                       {"XDG_RUNTIME_DIR", home / "run"},
                       {"PATH", home / "bin"},
                       {"XDG_CONFIG_HOME", {}},
                       {"XDG_DATA_HOME", {}},
                       {"DBUS_SESSION_BUS_ADDRESS", {}},
                       {"CODEX_HOME", {}},
                       {"CLAUDE_CONFIG_DIR", {}}});
    MeterModel model(desktopMeterServices("/opt/b/bin/brimlow"));
    EXPECT_FALSE(model.loginEnabled());
    EXPECT_TRUE(model.notifyReset());
    model.start();
    EXPECT_EQ(model.notifyError().toStdString(), kNotifyUnavailable);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.refreshing(); }, 20000));
    EXPECT_EQ(statusOf(model.codexView()), "Codex CLI를 찾을 수 없습니다 · 로컬 스냅샷");
    EXPECT_EQ(model.title().toStdString(), "C —  A 0");
    model.setNotify(false);
    model.setLogin(true);
    EXPECT_TRUE(model.loginEnabled());
    auto entry = readWholeFile(home / ".config/autostart/brimlow.desktop"); // not the helper's
    EXPECT_NE(entry.value().find("\nExec=/opt/b/bin/brimlow\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(home / ".config/Brimlow/Brimlow.conf"));
}

} // namespace
} // namespace brimlow
