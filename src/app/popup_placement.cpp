#include "app/popup_placement.h"

#include <algorithm>

namespace brimlow {

namespace {

// Between the icon and the panel, so the panel doesn't look glued to it.
constexpr int kGap = 4;

// `start` moved as little as needed to keep `length` inside [low, high];
// when it cannot fit, it begins at `low`.
int clampSpan(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length + 1));
}

} // namespace

namespace {

QRect anchorOf(QRect iconGeometry, QPoint cursor) {
    return iconGeometry.isEmpty() ? QRect(cursor, QSize(1, 1)) : iconGeometry;
}

bool opensAbove(QRect anchor, QRect workArea) {
    return anchor.center().y() > workArea.center().y();
}

} // namespace

int popupRoom(QRect iconGeometry, QPoint cursor, QRect workArea) {
    QRect anchor = anchorOf(iconGeometry, cursor);
    int room = opensAbove(anchor, workArea) ? anchor.top() - kGap - workArea.top()
                                            : workArea.bottom() - anchor.bottom() - kGap;
    return std::clamp(room, 0, workArea.height());
}

QRect placePopup(QSize popup, QRect iconGeometry, QPoint cursor, QRect workArea) {
    QRect anchor = anchorOf(iconGeometry, cursor);
    bool above = opensAbove(anchor, workArea);
    int x = anchor.center().x() - popup.width() / 2;
    int y = above ? anchor.top() - kGap - popup.height() : anchor.bottom() + 1 + kGap;
    x = clampSpan(x, popup.width(), workArea.left(), workArea.right());
    y = clampSpan(y, popup.height(), workArea.top(), workArea.bottom());
    return QRect(QPoint(x, y), popup);
}

EdgePlacement placeAlongBar(int panelWidth, QSize output, std::optional<QPoint> pointer,
                            QRect activation) {
    QRect screen(QPoint(), output);
    std::optional<QPoint> point = pointer;
    if (!point && !activation.isEmpty() && screen.contains(activation.center()))
        point = activation.center();
    if (!point)
        return {BarEdge::Top, std::max(0, output.width() - kGap - panelWidth)};
    BarEdge edge = point->y() > screen.center().y() ? BarEdge::Bottom : BarEdge::Top;
    int left = clampSpan(point->x() - panelWidth / 2, panelWidth, kGap, output.width() - 1 - kGap);
    return {edge, left};
}

RowSpan panelRows(int surfaceHeight, int outputHeight, BarEdge edge,
                  std::optional<QPoint> pointer) {
    if (!pointer || surfaceHeight < outputHeight - 2 * kLayerGap)
        return {0, surfaceHeight};
    // Surface row r is output row r + kLayerGap.
    const int y = std::clamp(pointer->y(), 0, outputHeight - 1);
    if (edge == BarEdge::Top) {
        int barEnd = 2 * y + 1;
        int start = std::min(barEnd, surfaceHeight);
        return {start, surfaceHeight - start};
    }
    int barStart = 2 * y - outputHeight;
    return {0, std::clamp(barStart - 2 * kLayerGap, 0, surfaceHeight)};
}

} // namespace brimlow
