// The main of the tests that run in a Qt application: D-Bus replies,
// signals, timers and socket notifiers all arrive through its event loop.
// brimlow_test(... QT core|gui|widgets) builds it with BRIMLOW_QT_CORE,
// _GUI or _WIDGETS; a test may add BRIMLOW_QML_WARNINGS_FAIL and
// BRIMLOW_TEST_LOCALE.
#include <QLocale>
#include <cstdio>
#include <gtest/gtest.h>

#if defined(BRIMLOW_QT_WIDGETS)
#include <QApplication>
using Application = QApplication;
#elif defined(BRIMLOW_QT_GUI)
#include <QGuiApplication>
using Application = QGuiApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif
#ifndef BRIMLOW_QT_CORE
#include <QQuickStyle>
#include <QQuickWindow>
#endif

#ifdef BRIMLOW_QML_WARNINGS_FAIL
// A warning from QML (a failed binding, an unknown property) is a fault even
// where the panel still looks right.
static void failOnQmlWarnings(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    bool fromQml = QByteArray(context.category ? context.category : "").startsWith("qml") ||
                   message.contains(QLatin1String(".qml"));
    if (type != QtDebugMsg && type != QtInfoMsg && fromQml)
        ADD_FAILURE() << "QML warned: " << message.toStdString();
}
#endif

int main(int argc, char** argv) {
#ifdef BRIMLOW_QML_WARNINGS_FAIL
    qInstallMessageHandler(failOnQmlWarnings);
#endif
    // Google Test takes its flags out of the command line; Qt reads the rest.
    ::testing::InitGoogleTest(&argc, argv);
#ifndef BRIMLOW_QT_CORE
    // No display or GPU needed, and the style the application uses.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
#endif
    Application app(argc, argv);
#ifdef BRIMLOW_TEST_LOCALE
    // Dates and times as that locale shows them, whatever this machine's is.
    QLocale::setDefault(QLocale(QStringLiteral(BRIMLOW_TEST_LOCALE)));
#endif
    return RUN_ALL_TESTS();
}
