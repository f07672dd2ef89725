// "brimlow --test-notify" as a user runs it, against a stand-in daemon on a
// private bus: its one line, its exit status, and the notification itself.
#include "event_loop.h"
#include "fake_notification_server.h"
#include "private_bus.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

struct ModeRun {
    int exitStatus = -1;
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

class TestNotifyProcess : public ::testing::Test {
protected:
    // Runs the mode with `env` on top of a bare environment, while this
    // process's event loop serves the stand-in daemon.
    ModeRun run(const std::map<QString, QString>& env) {
        QProcessEnvironment environment;
        environment.insert("PATH", "/usr/bin:/bin");
        environment.insert("HOME", QString::fromStdString(home.path()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path()));
        for (const auto& [name, value] : env)
            environment.insert(name, value);
        QProcess process;
        process.setProcessEnvironment(environment);
        QElapsedTimer elapsed;
        elapsed.start();
        process.start(BRIMLOW_EXECUTABLE, {"--test-notify"});
        bool done = spinUntil([&] { return process.state() == QProcess::NotRunning; }, 30s);
        ModeRun result;
        result.elapsedMs = elapsed.elapsed();
        if (!done) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        if (process.exitStatus() == QProcess::NormalExit)
            result.exitStatus = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    TempDir home;
    TempDir runtime;
};

const QString kRefused = "알림이 꺼져 있음 — 세션 버스에 알림 서비스가 없습니다\n";

TEST_F(TestNotifyProcess, WithoutAnyBusItSaysNotificationsAreOffAndFailsAtOnce) {
    ModeRun result = run({{"DISPLAY", ":99"}});
    EXPECT_EQ(result.out, kRefused);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_LT(result.elapsedMs, 3000);
    // No bus was started for it, under any of the names D-Bus would use.
    EXPECT_FALSE(std::filesystem::exists(runtime / "bus"));
    EXPECT_FALSE(std::filesystem::exists(home / ".dbus"));
}

TEST_F(TestNotifyProcess, WithABusButNoDaemonItSaysNotificationsAreOff) {
    PrivateBus bus;
    ModeRun result = run({{"DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(bus.address())},
                          {"QDBUS_DEBUG", "1"}});
    EXPECT_EQ(result.out, kRefused);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_LT(result.elapsedMs, 3000);
    EXPECT_FALSE(bus.activationRequested());
}

TEST_F(TestNotifyProcess, WithADaemonItShowsTheSampleResetAfterEightSeconds) {
    PrivateBus bus;
    FakeNotificationServer server(bus.address());
    QElapsedTimer sinceStart;
    qint64 notifiedAfterMs = -1;
    QDateTime notifiedAt;
    sinceStart.start();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (notifiedAfterMs < 0 && !server.calls.empty()) {
            notifiedAfterMs = sinceStart.elapsed();
            notifiedAt = QDateTime::currentDateTimeUtc();
        }
    });
    watch.start(10);
    // QDBUS_DEBUG makes Qt's bus code talk, as a user's environment might:
    // none of it may reach standard error. KST-9 needs no zone database.
    ModeRun result = run({{"DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(bus.address())},
                          {"QDBUS_DEBUG", "1"},
                          {"LC_ALL", "ko_KR.UTF-8"},
                          {"TZ", "KST-9"}});

    EXPECT_EQ(result.out, "알림 허용됨 · 3초 뒤 시험 알림\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_GE(result.elapsedMs, 14500);
    EXPECT_LT(result.elapsedMs, 18000);

    ASSERT_EQ(server.calls.size(), 1u);
    EXPECT_GE(notifiedAfterMs, 7500);
    EXPECT_LT(notifiedAfterMs, 10000);
    const NotifyCall& call = server.calls[0];
    EXPECT_EQ(call.appName, "Brimlow");
    EXPECT_EQ(call.summary, "시험 5시간 한도 초기화");
    // The reset's time of day, in the local zone and the locale's short form.
    QDateTime local = notifiedAt.toOffsetFromUtc(9 * 3600);
    QStringList accepted;
    for (QDateTime t : {local, local.addSecs(-1)}) {
        int hour = t.time().hour();
        accepted << QString("88%까지 썼던 한도가 %1 %2:%3에 다시 채워졌어요.")
                        .arg(hour < 12 ? "오전" : "오후")
                        .arg(hour % 12 == 0 ? 12 : hour % 12)
                        .arg(t.time().minute(), 2, 10, QChar('0'));
    }
    EXPECT_TRUE(accepted.contains(call.body)) << call.body.toStdString();
}

} // namespace
} // namespace brimlow
