// The desktop notification centre against a stand-in daemon on a private
// bus: what it sends, what it makes of the daemon's signals, and that it
// neither starts anything nor waits on anyone.
#include "fake_logind.h"
#include "fake_notification_server.h"
#include "platform/desktop_notifications.h"
#include "private_bus.h"
#include "test_support/fake_environment.h"
#include "test_support/fake_services.h"

#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

class DesktopNotifications : public ::testing::Test {
protected:
    std::shared_ptr<NotificationCenter> connect(FakeEnvironment env) {
        return connectDesktopNotifications(env, clock);
    }
    std::shared_ptr<NotificationCenter> connectToBus() {
        return connect(FakeEnvironment({{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}));
    }

    std::shared_ptr<SystemClock> clock = std::make_shared<SystemClock>();
    PrivateBus bus;
};

TEST_F(DesktopNotifications, PostsADueRequestWithTheDaemonsArguments) {
    FakeNotificationServer server(bus.address());
    auto center = connectToBus();
    ASSERT_TRUE(center);

    center->schedule({"reset.Codex.300.1", "Codex 5시간 한도 초기화", "85%까지 썼던 한도가",
                      clock->now() + 300ms});
    EXPECT_EQ(center->pendingIds(), (std::vector<std::string>{"reset.Codex.300.1"}));
    EXPECT_TRUE(server.calls.empty()) << "posted before its time";

    // The real wall-clock alarm brings it out.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.calls.empty(); }));
    const NotifyCall& call = server.calls[0];
    EXPECT_EQ(call.appName, "Brimlow");
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.icon, "");
    EXPECT_EQ(call.summary, "Codex 5시간 한도 초기화");
    EXPECT_EQ(call.body, "85%까지 썼던 한도가");
    EXPECT_EQ(call.actions, (QStringList{"default", "열기"}));
    EXPECT_EQ(call.hints,
              (QVariantMap{{"sound-name", "message-new-instant"}, {"desktop-entry", "brimlow"}}));
    EXPECT_EQ(call.expireTimeout, -1);
    EXPECT_TRUE(center->pendingIds().empty());
    QTest::qWait(100);
    EXPECT_EQ(server.calls.size(), 1u);
}

TEST_F(DesktopNotifications, OnlyTheDefaultActionOfOurOwnNotificationsOpens) {
    FakeNotificationServer server(bus.address());
    auto center = connectToBus();
    ASSERT_TRUE(center);
    int opened = 0;
    center->setOpenHandler([&] { ++opened; });
    center->schedule({"one", "1", "", clock->now()});
    center->schedule({"two", "2", "", clock->now()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.calls.size() == 2; }));
    QTest::qWait(100); // the daemon's replies, which tell the ids 1 and 2

    server.emitActionInvoked(1, "reply");
    server.emitActionInvoked(7, "default"); // someone else's notification
    // Another client pretending to be the daemon.
    QDBusConnection other = connectTo(bus.address());
    FakeNotificationServer::emitSignal(other, "ActionInvoked", {uint(1), QString("default")});
    QTest::qWait(200);
    EXPECT_EQ(opened, 0);

    server.emitActionInvoked(1, "default");
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened == 1; }));

    // Once closed, its id may be reused by the daemon for someone else.
    server.emitClosed(1);
    server.emitActionInvoked(1, "default");
    server.emitActionInvoked(2, "default");
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened == 2; }));
    QTest::qWait(100);
    EXPECT_EQ(opened, 2);
    QDBusConnection::disconnectFromBus(other.name());
}

TEST_F(DesktopNotifications, NoCentreWithoutABusNoBusIsStartedAndTheRuntimeOneIsFound) {
    TempDir runtime;
    TempDir home;
    EXPECT_FALSE(connect(FakeEnvironment()));
    EXPECT_FALSE(connect(FakeEnvironment(
        {{"XDG_RUNTIME_DIR", runtime.path()}, {"HOME", home.path()}, {"DISPLAY", ":99"}})));
    EXPECT_FALSE(
        connect(FakeEnvironment({{"DBUS_SESSION_BUS_ADDRESS", std::string("autolaunch:")}})));
    EXPECT_FALSE(std::filesystem::exists(runtime / "bus"));
    // The socket of a bus that is gone.
    makeDeadSocket(runtime / "bus");
    EXPECT_FALSE(connect(FakeEnvironment({{"XDG_RUNTIME_DIR", runtime.path()}})));
    EXPECT_FALSE(std::filesystem::exists(home / ".dbus"));
    // A live one there is found without the variable.
    FakeNotificationServer server(bus.address());
    EXPECT_TRUE(connect(FakeEnvironment({{"XDG_RUNTIME_DIR", bus.directory()}})));
}

TEST_F(DesktopNotifications, NoCentreQuicklyWhenNobodyServesAndNothingIsActivated) {
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(connectToBus());
    EXPECT_LT(elapsed.elapsed(), 1000);
    QTest::qWait(300);
    EXPECT_FALSE(bus.activationRequested());
}

TEST_F(DesktopNotifications, ADaemonThatNeverAnswersOrLeavesBlocksNothing) {
    FakeNotificationServer server(bus.address(), FakeNotificationServer::Answers::Never);
    auto center = connectToBus();
    ASSERT_TRUE(center);
    center->schedule({"stuck", "S", "", clock->now()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.calls.size() == 1; }));
    // The call is outstanding; everything else goes on.
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_TRUE(center->pendingIds().empty());
    EXPECT_LT(elapsed.elapsed(), 500);

    server.leave();
    QTest::qWait(100);
    center->schedule({"after", "A", "", clock->now()});
    QTest::qWait(300);
    EXPECT_EQ(server.calls.size(), 1u);
    // Gone is gone: the daemon is not started again for us.
    EXPECT_FALSE(bus.activationRequested());

    // The check itself works: a message that allows activation starts it.
    QDBusConnection other = connectTo(bus.address());
    other.asyncCall(QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "GetCapabilities"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bus.activationRequested(); }));
    QDBusConnection::disconnectFromBus(other.name());
}

TEST(DesktopNotificationsResume, WhatFellDueInSleepIsPostedOnceAtResume) {
    PrivateBus bus;
    FakeNotificationServer server(bus.address());
    FakeLogind logind(bus.address());
    auto clock = std::make_shared<FakeClock>();
    clock->t = systemNow();
    auto center = connectDesktopNotifications(FakeEnvironment(std::map<std::string, std::string>{
                                                  {"DBUS_SESSION_BUS_ADDRESS", bus.address()},
                                                  {"DBUS_SYSTEM_BUS_ADDRESS", bus.address()}}),
                                              clock);
    ASSERT_TRUE(center);
    // Due in an hour of the program's wall clock; the kernel's alarm, on
    // the real clock, is an hour away and stays silent.
    center->schedule({"later", "L", "", clock->t + 1h});
    clock->t += 2h; // asleep, while the wall clock moved on
    logind.prepareForSleep(true);
    QTest::qWait(200);
    EXPECT_TRUE(server.calls.empty());

    logind.prepareForSleep(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.calls.size() == 1; }));
    logind.prepareForSleep(false);
    QTest::qWait(200);
    EXPECT_EQ(server.calls.size(), 1u);
}

} // namespace
} // namespace brimlow
