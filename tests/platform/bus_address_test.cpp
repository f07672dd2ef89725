#include "platform/bus_address.h"
#include "private_bus.h"
#include "test_support/fake_environment.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

TEST(BusAddress, SessionBusFromTheVariableElseTheRuntimeSocketElseNone) {
    TempDir runtime;
    FakeEnvironment env({{"XDG_RUNTIME_DIR", runtime.path()}});
    EXPECT_EQ(sessionBusAddress(env), std::nullopt);

    runtime.write("bus", ""); // a plain file is no bus
    EXPECT_EQ(sessionBusAddress(env), std::nullopt);
    std::filesystem::remove(runtime / "bus");
    makeDeadSocket(runtime / "bus");
    EXPECT_EQ(sessionBusAddress(env), "unix:path=" + runtime / "bus");

    env.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/elsewhere");
    EXPECT_EQ(sessionBusAddress(env), "unix:path=/elsewhere");
    env.set("DBUS_SESSION_BUS_ADDRESS", "");
    EXPECT_EQ(sessionBusAddress(env), "unix:path=" + runtime / "bus");

    env.set("XDG_RUNTIME_DIR", "relative/dir");
    env.unset("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(sessionBusAddress(env), std::nullopt);
    EXPECT_EQ(sessionBusAddress(FakeEnvironment()), std::nullopt);
}

TEST(BusAddress, NeverAnAddressThatWouldStartABus) {
    EXPECT_EQ(withoutAutolaunch("autolaunch:"), std::nullopt);
    EXPECT_EQ(withoutAutolaunch("autolaunch:scope=x;unix:path=/b;;tcp:host=h,port=1"),
              "unix:path=/b;tcp:host=h,port=1");
    FakeEnvironment env(
        {{"DBUS_SESSION_BUS_ADDRESS", "autolaunch:"}, {"DBUS_SYSTEM_BUS_ADDRESS", "autolaunch:"}});
    EXPECT_EQ(sessionBusAddress(env), std::nullopt);
    EXPECT_EQ(systemBusAddress(env, "/nonexistent"), std::nullopt);
}

TEST(BusAddress, SystemBusFromTheVariableElseTheStandardSocket) {
    TempDir dir;
    makeDeadSocket(dir / "system_bus_socket");
    EXPECT_EQ(systemBusAddress(FakeEnvironment(), dir / "system_bus_socket"),
              "unix:path=" + dir / "system_bus_socket");
    EXPECT_EQ(systemBusAddress(FakeEnvironment(), dir / "missing"), std::nullopt);
    FakeEnvironment given;
    given.set("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/s");
    EXPECT_EQ(systemBusAddress(given, dir / "missing"), "unix:path=/s");
}

TEST(BusAddress, SocketPathsAreEscaped) {
    EXPECT_EQ(unixSocketAddress("/run/user/1000/bus"), "unix:path=/run/user/1000/bus");
    EXPECT_EQ(unixSocketAddress("/tmp/a b;c=d,é"), "unix:path=/tmp/a%20b%3bc%3dd%2c%c3%a9");
}

} // namespace
} // namespace brimlow
