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

QRect placePopup(QSize popup, QRect iconGeometry, QPoint cursor, QRect workArea) {
    QRect anchor = iconGeometry.isEmpty() ? QRect(cursor, QSize(1, 1)) : iconGeometry;
    bool above = anchor.center().y() > workArea.center().y();
    int x = anchor.center().x() - popup.width() / 2;
    int y = above ? anchor.top() - kGap - popup.height() : anchor.bottom() + 1 + kGap;
    x = clampSpan(x, popup.width(), workArea.left(), workArea.right());
    y = clampSpan(y, popup.height(), workArea.top(), workArea.bottom());
    return QRect(QPoint(x, y), popup);
}

} // namespace brimlow
