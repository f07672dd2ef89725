#include "app/panel_popup.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QTest>
#include <functional>
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

TEST_F(PanelPopupTest, TakesTheModelOpensAtTheIconSizedToThePanelAndStaysThereAsItGrows) {
    ASSERT_EQ(m_view.status(), QQuickView::Ready);
    EXPECT_EQ(m_view.rootObject()->property("model").value<QObject*>(), &m_model);
    m_popup.open(PanelStyle::Popup, QRect(work().right() - 30, work().top(), 22, 22), {});
    ASSERT_TRUE(m_popup.isOpen());
    EXPECT_EQ(m_view.geometry(), QRect(work().right() - 369, work().top() + 26, 370, 240));

    // Above an icon at the bottom, the bottom edge stays put.
    QRect icon(work().center().x(), work().bottom() - 22, 22, 22);
    m_popup.open(PanelStyle::Popup, icon, {});
    m_view.rootObject()->setProperty("extra", 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_view.height() == 340; }));
    EXPECT_EQ(m_view.geometry().bottom(), icon.top() - 5);
}

TEST_F(PanelPopupTest, ThePanelsRequestEscapeAndAPressOutsideCloseThePopup) {
    auto pressAt = [this](QPoint point) { QTest::mousePress(&m_view, Qt::LeftButton, {}, point); };
    for (const auto& close : std::vector<std::function<void()>>{
             [&] { QMetaObject::invokeMethod(m_view.rootObject(), "closeRequested"); },
             [&] { QTest::keyClick(&m_view, Qt::Key_Escape); },
             [&] { pressAt(QPoint(-20, 400)); }}) {
        m_popup.open(PanelStyle::Popup, QRect(10, 0, 22, 22), {});
        pressAt(QPoint(100, 100));
        QTest::mouseRelease(&m_view, Qt::LeftButton, {}, QPoint(100, 100));
        ASSERT_TRUE(m_popup.isOpen()) << "a press inside is the panel's";
        close();
        EXPECT_FALSE(m_popup.isOpen());
    }
    // The press that closed it is remembered a moment, for the icon's click.
    EXPECT_TRUE(m_popup.justDismissed());
    QTest::qWait(450);
    EXPECT_FALSE(m_popup.justDismissed());
    // A window is not a popup.
    m_popup.open(PanelStyle::Window, QRect(), {});
    pressAt(QPoint(-20, 400));
    EXPECT_TRUE(m_popup.isOpen());
}

} // namespace
} // namespace brimlow
