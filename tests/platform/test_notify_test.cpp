// "--test-notify" without a bus, and with a stand-in daemon on a private bus.
#include "app/test_notify.h"
#include "fake_notification_server.h"
#include "private_bus.h"
#include "test_support/fake_environment.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

// The exit status and what the mode printed.
std::string run(const Environment& env, TestNotifyTimes times = {}) {
    char* data = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    int status = runTestNotify(out, env, std::make_shared<SystemClock>(), times);
    std::fclose(out);
    std::string text = std::to_string(status) + " " + std::string(data, size);
    std::free(data);
    return text;
}

TEST(TestNotify, WithoutABusItSaysNotificationsAreOffAndEndsAtOnce) {
    EXPECT_EQ(run(FakeEnvironment()), "1 알림이 꺼져 있음 — 세션 버스에 알림 서비스가 없습니다\n");
}

// The mode itself, in this process and with shorter times (a reset under 5 s
// ahead is never announced): the daemon on the private bus is served by this
// process's event loop.
TEST(TestNotify, ShowsTheSampleResetAfterItsLead) {
    EXPECT_EQ(TestNotifyTimes{}.lead, 8s) << "the time a user is told to wait for";
    PrivateBus bus;
    FakeNotificationServer server(bus.address());
    FakeEnvironment env{{{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}};
    QElapsedTimer sinceStart;
    qint64 notifiedAfterMs = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (notifiedAfterMs < 0 && !server.calls.empty())
            notifiedAfterMs = sinceStart.elapsed();
    });
    watch.start(10);
    sinceStart.start();
    EXPECT_EQ(run(env, {5500ms, 8000ms}), "0 알림 허용됨 · 3초 뒤 시험 알림\n");
    ASSERT_EQ(server.calls.size(), 1u);
    EXPECT_GE(notifiedAfterMs, 5400);
    const NotifyCall& call = server.calls[0];
    EXPECT_EQ(call.appName, "Brimlow");
    EXPECT_EQ(call.summary, "시험 5시간 한도 초기화");
    EXPECT_TRUE(call.body.startsWith("88%까지 썼던 한도가 ")) << call.body.toStdString();
}

} // namespace
} // namespace brimlow
