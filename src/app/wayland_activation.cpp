#include "app/wayland_activation.h"

#include "xdg-activation-v1-client-protocol.h"

#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <string>
#include <wayland-client.h>
#include <xcb/xcb.h>

namespace brimlow {

namespace {

void announceGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                    uint32_t) {
    if (std::strcmp(interface, xdg_activation_v1_interface.name) == 0) {
        *static_cast<xdg_activation_v1**>(data) = static_cast<xdg_activation_v1*>(
            wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
    }
}

void removeGlobal(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener kRegistryListener{announceGlobal, removeGlobal};

} // namespace

bool activateWithToken(QWindow& window, const QString& token) {
    if (token.isEmpty() || !QGuiApplication::platformName().startsWith(u"wayland"))
        return false;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* display = native ? static_cast<wl_display*>(native->nativeResourceForIntegration(
                                 QByteArrayLiteral("wl_display")))
                           : nullptr;
    auto* surface = native ? static_cast<wl_surface*>(native->nativeResourceForWindow(
                                 QByteArrayLiteral("surface"), &window))
                           : nullptr;
    if (!display || !surface)
        return false;

    // A queue of our own, so that Qt's events are neither taken nor held up.
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* ours = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(ours), queue);
    wl_registry* registry = wl_display_get_registry(ours);
    xdg_activation_v1* activation = nullptr;
    wl_registry_add_listener(registry, &kRegistryListener, &activation);
    wl_display_roundtrip_queue(display, queue);
    bool activated = activation != nullptr;
    if (activation) {
        xdg_activation_v1_activate(activation, token.toUtf8().constData(), surface);
        xdg_activation_v1_destroy(activation);
    }
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(ours);
    wl_display_flush(display);
    wl_event_queue_destroy(queue);
    return activated;
}

void announceStartup(const QString& token) {
    if (token.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto function = native ? native->nativeResourceFunctionForIntegration("setstartupid") : nullptr;
    if (!function)
        return;
    // The integration hands its functions out untyped; this one takes the id.
    using SetStartupId = void (*)(const char*);
    auto setStartupId = reinterpret_cast<SetStartupId>(reinterpret_cast<void (*)()>(function));
    setStartupId(token.toUtf8().constData());
}

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

// The startup-notification protocol's "remove" message: a string in 20-byte
// pieces of client messages to the root window, the first of them typed
// _NET_STARTUP_INFO_BEGIN, sent from a window of ours.
void completeStartup(const QString& token) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (token.isEmpty() || !x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_atom_t begin = internAtom(connection, "_NET_STARTUP_INFO_BEGIN");
    xcb_atom_t more = internAtom(connection, "_NET_STARTUP_INFO");
    if (begin == XCB_ATOM_NONE || more == XCB_ATOM_NONE)
        return;
    std::string message = "remove: ID=\"";
    for (char c : token.toStdString()) {
        if (c == '"' || c == '\\')
            message += '\\';
        message += c;
    }
    message += '"';
    message += '\0';

    xcb_window_t sender = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    for (size_t at = 0; at < message.size(); at += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = sender;
        event.type = at == 0 ? begin : more;
        std::memcpy(event.data.data8, message.data() + at,
                    std::min<size_t>(20, message.size() - at));
        xcb_send_event(connection, 0, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_destroy_window(connection, sender);
    xcb_flush(connection);
}

} // namespace brimlow
