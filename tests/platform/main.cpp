// The platform tests need a Qt event loop: D-Bus replies, signals and the
// alarm's socket notifier are all delivered through it.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
