// Where the panel opens relative to the tray icon.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace brimlow {

// The panel's screen rectangle: centred under the tray icon, or above it
// when the icon sits in the lower half of the work area (a panel at the
// bottom of the screen), then moved as little as needed to stay inside the
// work area. Trays that report no icon geometry (an empty rectangle, as
// StatusNotifierItem hosts give) have it placed at the cursor instead.
QRect placePopup(QSize popup, QRect iconGeometry, QPoint cursor, QRect workArea);

// A panel on a layer of a Wayland output hangs from the bar's edge; the
// compositor keeps it off the bar, so only the edge and the distance from
// the output's left side are ours to choose.
enum class BarEdge { Top, Bottom };
struct EdgePlacement {
    BarEdge edge;
    int left;

    bool operator==(const EdgePlacement&) const = default;
};

// Centred under the pointer where the click left it (on the icon), in
// output coordinates; failing that at the tray's activation point when it
// lies on the output; failing both, at the right end of a top bar, where
// trays usually are. Kept inside the output.
EdgePlacement placeAlongBar(int panelWidth, QSize output, std::optional<QPoint> pointer,
                            QRect activation);

} // namespace brimlow
