#include "app/panel_popup.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

class PanelPopupTest : public ::testing::Test {
protected:
    QRect work() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    QObject m_model;
    PanelPopup m_popup{&m_model, QUrl::fromLocalFile(BRIMLOW_PLACEHOLDER_PANEL)};
    QQuickView& m_view = m_popup.view();
};

TEST_F(PanelPopupTest, TakesTheModelAndOpensAtTheIconSizedToThePanel) {
    ASSERT_EQ(m_view.status(), QQuickView::Ready);
    EXPECT_EQ(m_view.rootObject()->property("model").value<QObject*>(), &m_model);

    QRect icon(work().right() - 30, work().top(), 22, 22);
    m_popup.open(PanelStyle::Popup, icon, {});
    ASSERT_TRUE(m_popup.isOpen());
    QRect placed = m_view.geometry();
    EXPECT_EQ(placed.size(), QSize(370, 240));
    EXPECT_GT(placed.top(), icon.bottom());
    EXPECT_EQ(placed.right(), work().right());
}

TEST_F(PanelPopupTest, AGrowingPanelAboveABottomIconStaysAboveIt) {
    QRect icon(work().center().x(), work().bottom() - 22, 22, 22);
    m_popup.open(PanelStyle::Popup, icon, {});
    m_view.rootObject()->setProperty("extra", 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_view.height() == 340; }));
    EXPECT_LT(m_view.geometry().bottom(), icon.top());
}

TEST_F(PanelPopupTest, ClosesWhenThePanelAsksToAndOnEscape) {
    m_popup.open(PanelStyle::Popup, QRect(10, 0, 22, 22), {});
    QMetaObject::invokeMethod(m_view.rootObject(), "closeRequested");
    EXPECT_FALSE(m_popup.isOpen());

    m_popup.open(PanelStyle::Popup, QRect(10, 0, 22, 22), {});
    QTest::keyClick(&m_view, Qt::Key_Escape);
    EXPECT_FALSE(m_popup.isOpen());
}

TEST_F(PanelPopupTest, APressOutsideClosesThePopupButNotTheWindow) {
    m_popup.open(PanelStyle::Popup, QRect(10, 0, 22, 22), {});
    QTest::mousePress(&m_view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(&m_view, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(m_popup.isOpen()) << "a press inside is the panel's";
    QTest::mousePress(&m_view, Qt::LeftButton, {}, QPoint(-20, 400));
    EXPECT_FALSE(m_popup.isOpen());
    EXPECT_TRUE(m_popup.justDismissed());
    QTest::qWait(450);
    EXPECT_FALSE(m_popup.justDismissed());

    m_popup.open(PanelStyle::Window, QRect(), {});
    QTest::mousePress(&m_view, Qt::LeftButton, {}, QPoint(-20, 400));
    EXPECT_TRUE(m_popup.isOpen());
}

TEST_F(PanelPopupTest, QuittingFromThePanelEndsTheApplication) {
    // Stands in for the panel's quit button.
    QTimer::singleShot(0, &m_view, [this] { m_view.engine()->evaluate("Qt.quit()"); });
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    stuck.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

} // namespace
} // namespace brimlow
