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

// The height a popup placed so has without covering the icon's row: from
// the icon to the far edge of the work area, less the gaps.
int popupRoom(QRect iconGeometry, QPoint cursor, QRect workArea);

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

// The rows a panel may use of its layer surface, which spans the output's
// height between `kLayerGap`-pixel margins where the compositor doesn't
// keep it off the bar: KWin counts only other layer surfaces, not Plasma's
// panels. The surface then covers the bar, and the panel keeps clear of it,
// taking the bar to be twice as thick as the pointer (on the icon, which
// sits in the middle of it) is far from the output's edge.
struct RowSpan {
    int start;
    int length;

    bool operator==(const RowSpan&) const = default;
};
constexpr int kLayerGap = 4;
RowSpan panelRows(int surfaceHeight, int outputHeight, BarEdge edge, std::optional<QPoint> pointer);

} // namespace brimlow
