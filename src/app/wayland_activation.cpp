#include "app/wayland_activation.h"

#include "xdg-activation-v1-client-protocol.h"

#include <QGuiApplication>
#include <QWindow>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

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

} // namespace brimlow
