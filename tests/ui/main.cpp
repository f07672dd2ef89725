// The panel is drawn off screen with the software renderer, in the style
// and with the fonts the application uses.
#include <QGuiApplication>
#include <QLocale>
#include <QQuickStyle>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // Dates and times as a Korean desktop shows them, whatever this machine's locale.
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
