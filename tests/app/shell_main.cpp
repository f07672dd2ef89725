// The tray application's parts need a QApplication. They run on the
// offscreen platform with Qt Quick's software renderer, so no display or
// GPU is needed.
#include <QApplication>
#include <QQuickStyle>
#include <QQuickWindow>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickStyle::setStyle("Basic");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
