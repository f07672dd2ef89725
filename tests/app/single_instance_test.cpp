#include "app/single_instance.h"
#include "test_support/fake_environment.h"
#include "test_support/temp_dir.h"

#include <QDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace brimlow {
namespace {

// What a crashed instance leaves: a socket file that no one listens on.
void leaveDeadSocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
}

TEST(InstanceSocketName, IsInTheRuntimeDirectoryElseNamedForTheUser) {
    TempDir runtime;
    FakeEnvironment env({{"XDG_RUNTIME_DIR", runtime.path()}});
    EXPECT_EQ(instanceSocketName(env).toStdString(), runtime / "brimlow.socket");

    // Not another user's instance: a relative name, in the temporary directory.
    env.set("XDG_RUNTIME_DIR", "/nonexistent/run");
    QString name = instanceSocketName(env);
    EXPECT_FALSE(QDir::isAbsolutePath(name));
    EXPECT_TRUE(name.contains(QString::number(getuid()))) << name.toStdString();
}

TEST(SingleInstance, ALaterStartHandsOverToTheRunningInstanceEvenOverADeadOnesSocket) {
    for (bool crashedBefore : {false, true}) {
        TempDir runtime;
        QString name = QString::fromStdString(runtime / "brimlow.socket");
        if (crashedBefore)
            leaveDeadSocket(name.toStdString());
        SingleInstance first(name);
        int reopened = 0;
        first.onReopen = [&] { ++reopened; };
        ASSERT_EQ(first.claim(), InstanceRole::First) << crashedBefore;

        SingleInstance second(name);
        second.onReopen = [] { ADD_FAILURE() << "the later start does not listen"; };
        EXPECT_EQ(second.claim(), InstanceRole::Handover);
        ASSERT_TRUE(QTest::qWaitFor([&] { return reopened == 1; }));
        EXPECT_EQ(SingleInstance(name).claim(), InstanceRole::Handover);
        ASSERT_TRUE(QTest::qWaitFor([&] { return reopened == 2; }));
        EXPECT_FALSE(QFile::exists(name + ".lock")) << "the lock is held only while claiming";
    }
    // Without a place for the socket it runs alone.
    TempDir runtime;
    EXPECT_EQ(SingleInstance(QString::fromStdString(runtime / "missing/brimlow.socket")).claim(),
              InstanceRole::Alone);
}

} // namespace
} // namespace brimlow
