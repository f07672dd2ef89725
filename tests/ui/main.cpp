// The panel is drawn off screen with the software renderer, in the style
// and with the fonts the application uses.
#include <QGuiApplication>
#include <QLocale>
#include <QQuickStyle>
#include <cstdio>
#include <gtest/gtest.h>

// A warning from the panel's QML (a failed binding, an unknown property) is
// a fault even where the panel still looks right.
void failOnQmlWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    bool fromQml = QByteArray(context.category ? context.category : "").startsWith("qml") ||
                   message.contains(QLatin1String(".qml"));
    if (type != QtDebugMsg && type != QtInfoMsg && fromQml)
        ADD_FAILURE() << "QML warned: " << message.toStdString();
}

int main(int argc, char** argv) {
    qInstallMessageHandler(failOnQmlWarnings);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // Dates and times as a Korean desktop shows them, whatever this machine's locale.
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
