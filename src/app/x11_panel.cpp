#include "app/x11_panel.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace brimlow {

namespace {

// Thicker than any panel; a window this thick in both directions is
// something else (a host that reported a point off its panel).
constexpr int kThickestPanel = 128;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

} // namespace

std::optional<QRect> x11PanelStretchAt(QPoint point) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    // The top-level window (or its frame) that holds the point.
    Reply<xcb_translate_coordinates_reply_t> hit(xcb_translate_coordinates_reply(
        connection,
        xcb_translate_coordinates(connection, root, root, qint16(point.x()), qint16(point.y())),
        nullptr));
    if (!hit || hit->child == XCB_NONE)
        return std::nullopt;
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, hit->child), nullptr));
    if (!geometry)
        return std::nullopt;
    QRect window(geometry->x, geometry->y, geometry->width, geometry->height);
    if (!window.contains(point))
        return std::nullopt;
    if (window.height() <= kThickestPanel && window.height() < window.width())
        return QRect(point.x(), window.top(), 1, window.height());
    if (window.width() <= kThickestPanel)
        return QRect(window.left(), point.y(), window.width(), 1);
    return std::nullopt;
}

} // namespace brimlow
