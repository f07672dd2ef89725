// Where the panel opens relative to the tray icon.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace brimlow {

// The panel's screen rectangle: centred under the tray icon, or above it
// when the icon sits in the lower half of the work area (a panel at the
// bottom of the screen), then moved as little as needed to stay inside the
// work area. Trays that report no icon geometry (an empty rectangle, as
// StatusNotifierItem hosts give) have it placed at the cursor instead.
QRect placePopup(QSize popup, QRect iconGeometry, QPoint cursor, QRect workArea);

} // namespace brimlow
