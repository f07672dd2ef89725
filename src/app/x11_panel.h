// Where a tray's panel lies on X11. StatusNotifierItem hosts report a click
// as a point (the pointer), not as the icon's rectangle; a popup placed
// against that point would cover the panel unless the window manager keeps
// the panel out of the work area, which not every desktop does.
#pragma once

#include <QPoint>
#include <QRect>
#include <optional>

namespace brimlow {

// The point widened across the panel under it: a horizontal panel's whole
// height, a vertical one's whole width. Absent off X11, and when the window
// under the point is not shaped like a panel.
std::optional<QRect> x11PanelStretchAt(QPoint point);

} // namespace brimlow
