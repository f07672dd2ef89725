#include "app/popup_placement.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

const QSize kPanel(370, 600);
// A 1920 × 1080 screen with a 28-pixel panel at the top, or at the bottom.
const QRect kUnderTopPanel(0, 28, 1920, 1052);
const QRect kAboveBottomPanel(0, 0, 1920, 1052);

TEST(PlacePopup, HangsCentredBelowAnIconInATopPanel) {
    QRect icon(1000, 3, 22, 22);
    QRect placed = placePopup(kPanel, icon, QPoint(5, 5), kUnderTopPanel);
    EXPECT_EQ(placed.size(), kPanel);
    EXPECT_GT(placed.top(), icon.bottom());
    EXPECT_LE(placed.top(), icon.bottom() + 8) << "close to the icon";
    EXPECT_NEAR(placed.center().x(), icon.center().x(), 1);
}

TEST(PlacePopup, StaysInsideTheWorkAreaAtEitherEdge) {
    QRect right = placePopup(kPanel, QRect(1890, 3, 22, 22), {}, kUnderTopPanel);
    EXPECT_EQ(right.right(), kUnderTopPanel.right());
    EXPECT_GT(right.top(), 25);

    QRect left = placePopup(kPanel, QRect(4, 3, 22, 22), {}, kUnderTopPanel);
    EXPECT_EQ(left.left(), kUnderTopPanel.left());

    // A second screen to the right of the first.
    QRect second(1920, 28, 1280, 996);
    QRect onSecond = placePopup(kPanel, QRect(3180, 3, 22, 22), {}, second);
    EXPECT_EQ(onSecond.right(), second.right());
    EXPECT_TRUE(second.contains(onSecond));
}

TEST(PlacePopup, OpensAboveAnIconInABottomPanel) {
    QRect icon(1800, 1055, 22, 22);
    QRect placed = placePopup(kPanel, icon, {}, kAboveBottomPanel);
    EXPECT_LT(placed.bottom(), icon.top());
    EXPECT_TRUE(kAboveBottomPanel.contains(placed));
}

TEST(PlacePopup, OpensAtTheCursorWhenTheTrayGivesNoGeometry) {
    QRect below = placePopup(kPanel, QRect(), QPoint(900, 14), kUnderTopPanel);
    EXPECT_NEAR(below.center().x(), 900, 1);
    EXPECT_EQ(below.top(), kUnderTopPanel.top()) << "not over the panel the cursor is on";

    QRect above = placePopup(kPanel, QRect(), QPoint(1910, 1070), kAboveBottomPanel);
    EXPECT_LT(above.bottom(), 1070);
    EXPECT_EQ(above.right(), kAboveBottomPanel.right());
}

TEST(PlacePopup, APanelTallerThanTheWorkAreaKeepsItsTopVisible) {
    QRect placed = placePopup(QSize(370, 1200), QRect(1000, 3, 22, 22), {}, kUnderTopPanel);
    EXPECT_EQ(placed.top(), kUnderTopPanel.top());
}

TEST(PlacePopup, TheRoomIsOnTheIconsSideOnly) {
    // A tray in the work area itself (no strut): under the icon at 1..22,
    // the rows from 27 down; above an icon at the bottom, the rows up to 4
    // px above it.
    const QRect screen(0, 0, 1280, 720);
    QRect top(1257, 1, 22, 22);
    EXPECT_EQ(popupRoom(top, {}, screen), 719 - 22 - 4);
    EXPECT_EQ(placePopup(QSize(370, popupRoom(top, {}, screen)), top, {}, screen).top(), 27);
    EXPECT_EQ(popupRoom(QRect(8, 690, 22, 22), {}, screen), 690 - 4);
    EXPECT_EQ(popupRoom({}, QPoint(600, 300), screen), 719 - 300 - 4) << "at the cursor";
}

TEST(PlaceAlongBar, FollowsThePointerThenTheActivationPointThenTheTopRight) {
    const QSize output(1280, 720);
    const QRect activation(QPoint(600, 700), QSize(1, 1));
    EXPECT_EQ(placeAlongBar(370, output, QPoint(1000, 12), activation),
              (EdgePlacement{BarEdge::Top, 1000 - 185}));
    EXPECT_EQ(placeAlongBar(370, output, QPoint(1270, 12), {}), (EdgePlacement{BarEdge::Top, 906}))
        << "kept 4 px inside the output";
    EXPECT_EQ(placeAlongBar(370, output, QPoint(10, 710), {}), (EdgePlacement{BarEdge::Bottom, 4}));
    EXPECT_EQ(placeAlongBar(370, output, std::nullopt, activation),
              (EdgePlacement{BarEdge::Bottom, 600 - 185}));
    // A host that reports a point off this output, or none.
    EXPECT_EQ(placeAlongBar(370, output, std::nullopt, QRect(3000, 5, 1, 1)),
              (EdgePlacement{BarEdge::Top, 906}));
    EXPECT_EQ(placeAlongBar(370, output, std::nullopt, {}), (EdgePlacement{BarEdge::Top, 906}));
}

TEST(PanelRows, KeepClearOfABarTheCompositorDidNotLeaveOut) {
    // sway left the 30-px bar out: every row is the panel's.
    EXPECT_EQ(panelRows(682, 720, BarEdge::Top, QPoint(1250, 15)), (RowSpan{0, 682}));
    // KWin spans the whole output, over a 44-px Plasma panel at the bottom
    // whose icon was clicked at its middle (row 658): the panel ends 4 px
    // above the bar.
    EXPECT_EQ(panelRows(672, 680, BarEdge::Bottom, QPoint(1074, 658)), (RowSpan{0, 628}));
    // The same at the top: the panel starts below a 30-px bar clicked at 15,
    // 4 px below it.
    EXPECT_EQ(panelRows(712, 720, BarEdge::Top, QPoint(10, 15)), (RowSpan{31, 681}));
    // Nothing known about the bar.
    EXPECT_EQ(panelRows(712, 720, BarEdge::Top, std::nullopt), (RowSpan{0, 712}));
    // A pointer in the middle of the output leaves no room rather than less than none.
    EXPECT_EQ(panelRows(672, 680, BarEdge::Bottom, QPoint(0, 341)), (RowSpan{0, 0}));
}

} // namespace
} // namespace brimlow
