// The resume signal against a stand-in logind on a private bus in place of
// the system bus: only a resume, only from logind, on the main thread.
#include "fake_logind.h"
#include "platform/wake_source.h"
#include "private_bus.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

class LogindWake : public ::testing::Test {
protected:
    // Counts wake-ups, and checks each arrives on the main thread: QtDBus
    // reads the bus on a thread of its own.
    std::function<void()> countingHandler() {
        return [this] {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            ++woke;
        };
    }

    PrivateBus bus;
    FakeLogind logind{bus.address()};
    int woke = 0;
};

TEST_F(LogindWake, OnlyAResumeCallsTheHandlerOnceEach) {
    auto source = std::make_unique<LogindWakeSource>(bus.address());
    source->setWakeHandler(countingHandler());

    logind.prepareForSleep(true);
    QTest::qWait(200);
    EXPECT_EQ(woke, 0) << "going to sleep is not waking";

    logind.prepareForSleep(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return woke == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(woke, 1);

    logind.prepareForSleep(true);
    logind.prepareForSleep(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return woke == 2; }));

    // Gone: a later resume reaches nobody.
    source.reset();
    logind.prepareForSleep(false);
    QTest::qWait(200);
    EXPECT_EQ(woke, 2);
}

TEST_F(LogindWake, AnotherClientCannotFakeAResume) {
    LogindWakeSource source(bus.address());
    source.setWakeHandler(countingHandler());
    QDBusConnection impostor = connectTo(bus.address());

    sendPrepareForSleep(impostor, false);
    QTest::qWait(200);
    EXPECT_EQ(woke, 0);

    logind.prepareForSleep(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return woke == 1; }));
    QDBusConnection::disconnectFromBus(impostor.name());
}

} // namespace
} // namespace brimlow
