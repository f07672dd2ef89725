#include "app/popup_placement.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

TEST(PlacePopup, ExactRectanglesAndRoomOnTheIconsSide) {
    // A 1920 × 1080 screen with a 28-pixel panel at the top, or at the bottom.
    const QRect underTop(0, 28, 1920, 1052), aboveBottom(0, 0, 1920, 1052);
    const QRect screen(0, 0, 1280, 720), second(1920, 28, 1280, 996);
    // The popup is 370 wide; `placed` is its top left corner.
    struct Case {
        const char* what;
        int height;
        QRect icon;
        QPoint cursor;
        QRect work;
        QPoint placed;
        int room;
    } cases[] = {
        // Centred 4 px below the icon; the cursor is not used when the icon is known.
        {"top panel", 600, {1000, 3, 22, 22}, {5, 5}, underTop, {825, 29}, 1051},
        {"right edge", 600, {1890, 3, 22, 22}, {}, underTop, {1550, 29}, 1051},
        {"left edge", 600, {4, 3, 22, 22}, {}, underTop, {0, 29}, 1051},
        {"second screen", 600, {3180, 3, 22, 22}, {}, second, {2830, 29}, 995},
        {"bottom panel", 600, {1800, 1055, 22, 22}, {}, aboveBottom, {1550, 451}, 1051},
        // No geometry from the tray: at the cursor, never over the bar it is on.
        {"cursor at top", 600, {}, {900, 14}, underTop, {715, 28}, 1052},
        {"cursor at bottom", 600, {}, {1910, 1070}, aboveBottom, {1550, 452}, 1052},
        {"cursor in the middle", 400, {}, {600, 300}, screen, {415, 305}, 415},
        // Too tall: the top stays visible.
        {"taller than the screen", 1200, {1000, 3, 22, 22}, {}, underTop, {825, 28}, 1051},
        // A tray in the work area itself (no strut), the popup as tall as its room.
        {"room under", 693, {1257, 1, 22, 22}, {}, screen, {910, 27}, 693},
        {"room above", 686, {8, 690, 22, 22}, {}, screen, {0, 0}, 686},
    };
    for (const auto& c : cases) {
        const QSize popup(370, c.height);
        EXPECT_EQ(placePopup(popup, c.icon, c.cursor, c.work), QRect(c.placed, popup)) << c.what;
        EXPECT_EQ(popupRoom(c.icon, c.cursor, c.work), c.room) << c.what;
    }
}

TEST(PlaceAlongBar, FollowsThePointerThenTheActivationPointThenTheTopRight) {
    const QRect activation(QPoint(600, 700), QSize(1, 1));
    struct Case {
        std::optional<QPoint> pointer;
        QRect activation;
        EdgePlacement placed;
    } cases[] = {
        {QPoint(1000, 12), activation, {BarEdge::Top, 1000 - 185}},
        {QPoint(1270, 12), {}, {BarEdge::Top, 906}}, // kept 4 px inside the output
        {QPoint(10, 710), {}, {BarEdge::Bottom, 4}},
        {std::nullopt, activation, {BarEdge::Bottom, 600 - 185}},
        // A host that reports a point off this output, or none.
        {std::nullopt, QRect(3000, 5, 1, 1), {BarEdge::Top, 906}},
        {std::nullopt, {}, {BarEdge::Top, 906}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeAlongBar(370, QSize(1280, 720), c.pointer, c.activation), c.placed)
            << c.placed.left;
}

TEST(PanelRows, KeepClearOfABarTheCompositorDidNotLeaveOut) {
    // sway left the 30-px bar out: every row is the panel's.
    EXPECT_EQ(panelRows(682, 720, BarEdge::Top, QPoint(1250, 15)), (RowSpan{0, 682}));
    // KWin spans the whole output, over a 44-px Plasma panel at the bottom whose
    // icon was clicked at its middle (row 658): the panel ends 4 px above it.
    EXPECT_EQ(panelRows(672, 680, BarEdge::Bottom, QPoint(1074, 658)), (RowSpan{0, 628}));
    // The same at the top: it starts 4 px below a 30-px bar clicked at 15.
    EXPECT_EQ(panelRows(712, 720, BarEdge::Top, QPoint(10, 15)), (RowSpan{31, 681}));
    // Nothing known about the bar.
    EXPECT_EQ(panelRows(712, 720, BarEdge::Top, std::nullopt), (RowSpan{0, 712}));
    // A pointer in the middle of the output leaves no room rather than less than none.
    EXPECT_EQ(panelRows(672, 680, BarEdge::Bottom, QPoint(0, 341)), (RowSpan{0, 0}));
}

} // namespace
} // namespace brimlow
