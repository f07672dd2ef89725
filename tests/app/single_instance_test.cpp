#include "app/single_instance.h"
#include "platform/private_bus.h"

#include <QTest>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

TEST(SingleInstance, ALaterStartHandsOverToTheRunningInstanceEvenOverADeadOnesSocket) {
    for (bool crashedBefore : {false, true}) {
        TempDir runtime;
        QString name = QString::fromStdString(runtime / "brimlow.socket");
        if (crashedBefore)
            makeDeadSocket(name.toStdString()); // as a crashed instance leaves it
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
