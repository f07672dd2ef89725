#include "app/layer_shell_popup.h"

#include "app/popup_placement.h"
#include "base/unique_fd.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QPointingDevice>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickRenderControl>
#include <QQuickRenderTarget>
#include <QQuickWindow>
#include <QWheelEvent>
#include <cmath>
#include <cstring>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>

namespace brimlow {

namespace {

// How long a click's pointer may take to be reported over the locating
// layer before the panel opens at the next best place. A compositor may
// report it only when the pointer next moves: a layer that appears after the
// click's release, in a slowed-down process, waits for that motion.
constexpr int kLocateTimeoutMs = 600;
// Longer than a click takes from press to the tray's report of it.
constexpr qint64 kDismissGraceMs = 400;
// Qt's wheel step is 120 per notch; compositors report 10 surface units.
constexpr double kWheelAnglePerUnit = 12.0;

struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    uchar* data = nullptr;
    size_t bytes = 0;
    QSize size;
    bool busy = false;

    ~ShmBuffer() {
        if (buffer)
            wl_buffer_destroy(buffer);
        if (data)
            munmap(data, bytes);
    }
};

void bufferReleased(void* data, wl_buffer*) {
    static_cast<ShmBuffer*>(data)->busy = false;
}
constexpr wl_buffer_listener kBufferListener{bufferReleased};

// A zero-filled (transparent) ARGB buffer in a memory file shared with the
// compositor.
std::unique_ptr<ShmBuffer> makeBuffer(wl_shm* shm, QSize size) {
    const int stride = size.width() * 4;
    const size_t bytes = size_t(stride) * size_t(size.height());
    UniqueFd file(memfd_create("brimlow-panel", MFD_CLOEXEC));
    if (!file || bytes == 0 || ftruncate(file.get(), off_t(bytes)) != 0)
        return nullptr;
    void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file.get(), 0);
    if (data == MAP_FAILED)
        return nullptr;
    auto buffer = std::make_unique<ShmBuffer>();
    buffer->data = static_cast<uchar*>(data);
    buffer->bytes = bytes;
    buffer->size = size;
    wl_shm_pool* pool = wl_shm_create_pool(shm, file.get(), int(bytes));
    buffer->buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride,
                                               WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    wl_buffer_add_listener(buffer->buffer, &kBufferListener, buffer.get());
    return buffer;
}

} // namespace

struct LayerShellConnection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* shell = nullptr;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_cursor_theme* cursorTheme = nullptr;
    wl_cursor_image* cursorImage = nullptr;
    wl_surface* cursorSurface = nullptr;
    // The surface the pointer is over, and its latest enter serial.
    wl_surface* pointerFocus = nullptr;
    uint32_t pointerSerial = 0;

    ~LayerShellConnection() {
        if (cursorSurface)
            wl_surface_destroy(cursorSurface);
        if (cursorTheme)
            wl_cursor_theme_destroy(cursorTheme);
        if (keyboard)
            wl_keyboard_destroy(keyboard);
        if (pointer)
            wl_pointer_destroy(pointer);
        if (seat)
            wl_seat_destroy(seat);
        if (shell)
            zwlr_layer_shell_v1_destroy(shell);
        if (shm)
            wl_shm_destroy(shm);
        if (compositor)
            wl_compositor_destroy(compositor);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }
};

enum class SurfaceRole { Locator, Catcher, Panel };

struct LayerSurface {
    SurfaceRole role;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    QSize size;
    bool configured = false;
    wl_callback* frame = nullptr;
    std::unique_ptr<ShmBuffer> buffers[2];

    ~LayerSurface() {
        if (frame)
            wl_callback_destroy(frame);
        zwlr_layer_surface_v1_destroy(layer);
        wl_surface_destroy(surface);
    }

    ShmBuffer* freeBuffer(wl_shm* shm, QSize wanted) {
        for (auto& buffer : buffers) {
            if (buffer && buffer->busy)
                continue;
            if (!buffer || buffer->size != wanted)
                buffer = makeBuffer(shm, wanted);
            return buffer.get();
        }
        return nullptr;
    }
};

// The Wayland listeners, with access to the popup they report to.
struct LayerShellEvents {
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t) {
        auto* c = static_cast<LayerShellConnection*>(data);
        auto bind = [&](const wl_interface* wanted) {
            return wl_registry_bind(registry, name, wanted, 1);
        };
        if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !c->compositor)
            c->compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface));
        else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !c->shm)
            c->shm = static_cast<wl_shm*>(bind(&wl_shm_interface));
        else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && !c->shell)
            c->shell = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface));
        else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !c->seat)
            c->seat = static_cast<wl_seat*>(bind(&wl_seat_interface));
    }
    static void globalRemoved(void*, wl_registry*, uint32_t) {}

    // A seat loses its pointer or keyboard when the last such device goes
    // (a mouse unplugged): the old objects then hear nothing more, so
    // they are dropped, and new ones made when a device comes back.
    static void seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        LayerShellConnection& c = *popup->m_connection;
        bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
        if (pointer && !c.pointer) {
            c.pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(c.pointer, &kPointer, popup);
        } else if (!pointer && c.pointer) {
            wl_pointer_destroy(c.pointer);
            c.pointer = nullptr;
            c.pointerFocus = nullptr;
        }
        bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
        if (keyboard && !c.keyboard) {
            c.keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(c.keyboard, &kKeyboard, popup);
        } else if (!keyboard && c.keyboard) {
            wl_keyboard_destroy(c.keyboard);
            c.keyboard = nullptr;
        }
    }

    static bool isPanel(LayerShellPopup* popup, wl_surface* surface) {
        return surface && popup->m_surface && popup->m_surface->surface == surface;
    }

    static void pointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface,
                             wl_fixed_t x, wl_fixed_t y) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        LayerShellConnection& c = *popup->m_connection;
        c.pointerFocus = surface;
        c.pointerSerial = serial;
        if (c.cursorImage)
            wl_pointer_set_cursor(pointer, serial, c.cursorSurface, int(c.cursorImage->hotspot_x),
                                  int(c.cursorImage->hotspot_y));
        QPointF point(wl_fixed_to_double(x), wl_fixed_to_double(y));
        if (popup->m_catcher && popup->m_catcher->role == SurfaceRole::Locator &&
            popup->m_catcher->surface == surface) {
            popup->m_pointer = point.toPoint();
            popup->placePanel();
        } else if (isPanel(popup, surface)) {
            popup->sendMouse(QEvent::MouseMove, point, Qt::NoButton);
        }
    }
    static void pointerLeave(void* data, wl_pointer*, uint32_t, wl_surface* surface) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        popup->m_connection->pointerFocus = nullptr;
        if (isPanel(popup, surface)) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(popup->m_window.get(), &leave);
            popup->m_buttons = Qt::NoButton;
        }
    }
    static void pointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        if (isPanel(popup, popup->m_connection->pointerFocus))
            popup->sendMouse(QEvent::MouseMove,
                             QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y)), Qt::NoButton);
    }
    static void pointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button,
                              uint32_t state) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        wl_surface* focus = popup->m_connection->pointerFocus;
        bool pressed = state == WL_POINTER_BUTTON_STATE_PRESSED;
        if (!isPanel(popup, focus)) {
            // Anywhere else on the output: the click that closes the panel.
            if (pressed && focus && popup->m_catcher && popup->m_catcher->surface == focus)
                popup->dismiss();
            return;
        }
        Qt::MouseButton qtButton = button == BTN_LEFT     ? Qt::LeftButton
                                   : button == BTN_RIGHT  ? Qt::RightButton
                                   : button == BTN_MIDDLE ? Qt::MiddleButton
                                                          : Qt::NoButton;
        if (qtButton == Qt::NoButton)
            return;
        popup->m_buttons.setFlag(qtButton, pressed);
        popup->sendMouse(pressed ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                         popup->m_lastPointer, qtButton);
    }
    static void pointerAxis(void* data, wl_pointer*, uint32_t, uint32_t axis, wl_fixed_t value) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        if (!isPanel(popup, popup->m_connection->pointerFocus))
            return;
        int angle = int(std::lround(-wl_fixed_to_double(value) * kWheelAnglePerUnit));
        QPoint delta =
            axis == WL_POINTER_AXIS_VERTICAL_SCROLL ? QPoint(0, angle) : QPoint(angle, 0);
        QPointF local = popup->toPanel(popup->m_lastPointer);
        QWheelEvent wheel(local, local, QPoint(), delta, popup->m_buttons, popup->m_modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(popup->m_window.get(), &wheel);
    }

    static void keymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
    static void keyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        if (!isPanel(popup, surface))
            return;
        QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(popup->m_window.get(), &focusIn);
    }
    static void keyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        popup->m_modifiers = Qt::NoModifier;
        if (!isPanel(popup, surface))
            return;
        QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(popup->m_window.get(), &focusOut);
    }
    // Without a keymap library only the keys that move around the panel and
    // press its controls are known, by their position on the keyboard.
    static void key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t code, uint32_t state) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        bool pressed = state == WL_KEYBOARD_KEY_STATE_PRESSED;
        if (code == KEY_LEFTSHIFT || code == KEY_RIGHTSHIFT) {
            popup->m_modifiers.setFlag(Qt::ShiftModifier, pressed);
            return;
        }
        if (code == KEY_ESC) {
            if (pressed)
                popup->close();
            return;
        }
        bool shift = popup->m_modifiers.testFlag(Qt::ShiftModifier);
        int qtKey = 0;
        QString text;
        switch (code) {
        case KEY_TAB:
            qtKey = shift ? Qt::Key_Backtab : Qt::Key_Tab;
            break;
        case KEY_ENTER:
            qtKey = Qt::Key_Return, text = QStringLiteral("\r");
            break;
        case KEY_KPENTER:
            qtKey = Qt::Key_Enter, text = QStringLiteral("\r");
            break;
        case KEY_SPACE:
            qtKey = Qt::Key_Space, text = QStringLiteral(" ");
            break;
        case KEY_UP:
            qtKey = Qt::Key_Up;
            break;
        case KEY_DOWN:
            qtKey = Qt::Key_Down;
            break;
        case KEY_LEFT:
            qtKey = Qt::Key_Left;
            break;
        case KEY_RIGHT:
            qtKey = Qt::Key_Right;
            break;
        case KEY_PAGEUP:
            qtKey = Qt::Key_PageUp;
            break;
        case KEY_PAGEDOWN:
            qtKey = Qt::Key_PageDown;
            break;
        case KEY_HOME:
            qtKey = Qt::Key_Home;
            break;
        case KEY_END:
            qtKey = Qt::Key_End;
            break;
        default:
            return;
        }
        QKeyEvent event(pressed ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, popup->m_modifiers,
                        text);
        QCoreApplication::sendEvent(popup->m_window.get(), &event);
    }
    static void modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}

    static void configure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                          uint32_t height) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        LayerSurface* surface = popup->m_surface && popup->m_surface->layer == layer
                                    ? popup->m_surface.get()
                                    : popup->m_catcher.get();
        if (!surface || surface->layer != layer)
            return;
        surface->size = QSize(int(width), int(height));
        surface->configured = true;
        if (surface->role == SurfaceRole::Panel) {
            popup->m_rows =
                panelRows(int(height), popup->m_output.height(), popup->m_edge, popup->m_pointer);
            popup->m_panel->setProperty("maximumHeight", popup->m_rows.length);
            popup->m_sceneChanged = true;
            popup->drawFrame();
            return;
        }
        // The transparent layers: one empty buffer of the output's size.
        ShmBuffer* buffer = surface->freeBuffer(popup->m_connection->shm, surface->size);
        if (!buffer)
            return;
        wl_surface_attach(surface->surface, buffer->buffer, 0, 0);
        wl_surface_damage(surface->surface, 0, 0, int(width), int(height));
        wl_surface_commit(surface->surface);
        if (surface->role == SurfaceRole::Locator)
            popup->m_locateTimeout.start();
    }
    static void closed(void* data, zwlr_layer_surface_v1*) {
        static_cast<LayerShellPopup*>(data)->close();
    }

    static void frameDone(void* data, wl_callback* callback, uint32_t) {
        auto* popup = static_cast<LayerShellPopup*>(data);
        wl_callback_destroy(callback);
        if (popup->m_surface && popup->m_surface->frame == callback)
            popup->m_surface->frame = nullptr;
        if (popup->m_frameWanted)
            popup->scheduleFrame();
    }

    static constexpr wl_registry_listener kRegistry{global, globalRemoved};
    static constexpr wl_seat_listener kSeat{seatCapabilities, nullptr};
    // The seat is bound at its first version, which sends none of the
    // later events.
    static constexpr wl_pointer_listener kPointer{
        pointerEnter, pointerLeave, pointerMotion, pointerButton, pointerAxis,
        nullptr,      nullptr,      nullptr,       nullptr,       nullptr};
    static constexpr wl_keyboard_listener kKeyboard{keymap, keyboardEnter, keyboardLeave,
                                                    key,    modifiers,     nullptr};
    static constexpr zwlr_layer_surface_v1_listener kLayer{configure, closed};
    static constexpr wl_callback_listener kFrame{frameDone};
};

std::unique_ptr<LayerShellPopup> LayerShellPopup::create(QQmlEngine& engine, QObject* model,
                                                         const QUrl& source) {
    auto connection = std::make_unique<LayerShellConnection>();
    connection->display = wl_display_connect(nullptr);
    if (!connection->display)
        return nullptr;
    connection->registry = wl_display_get_registry(connection->display);
    wl_registry_add_listener(connection->registry, &LayerShellEvents::kRegistry, connection.get());
    if (wl_display_roundtrip(connection->display) < 0 || !connection->compositor ||
        !connection->shm || !connection->shell)
        return nullptr;

    // Off screen, drawn by the software renderer into an image of ours.
    auto control = std::make_unique<QQuickRenderControl>();
    auto window = std::make_unique<QQuickWindow>(control.get());
    window->setColor(QGuiApplication::palette().color(QPalette::Window));
    // The software renderer has nothing to set up (and initialize() would
    // make a GPU context).
    if (QQuickWindow::sceneGraphBackend() != QLatin1String("software"))
        return nullptr;
    QQmlComponent component(&engine, source);
    std::unique_ptr<QObject> made(component.createWithInitialProperties(
        {{QStringLiteral("model"), QVariant::fromValue(model)}}));
    auto* panel = qobject_cast<QQuickItem*>(made.get());
    if (!panel)
        return nullptr;
    made.release();
    panel->setParent(window.get());
    panel->setParentItem(window->contentItem());
    return std::unique_ptr<LayerShellPopup>(
        new LayerShellPopup(std::move(connection), panel, std::move(control), std::move(window)));
}

LayerShellPopup::LayerShellPopup(std::unique_ptr<LayerShellConnection> connection,
                                 QQuickItem* panel, std::unique_ptr<QQuickRenderControl> control,
                                 std::unique_ptr<QQuickWindow> window)
    : m_connection(std::move(connection)), m_panel(panel), m_control(std::move(control)),
      m_window(std::move(window)) {
    LayerShellConnection& c = *m_connection;
    if (c.seat)
        wl_seat_add_listener(c.seat, &LayerShellEvents::kSeat, this);
    const QByteArray theme = qgetenv("XCURSOR_THEME");
    const int size = qEnvironmentVariableIntValue("XCURSOR_SIZE");
    c.cursorTheme = wl_cursor_theme_load(theme.isEmpty() ? nullptr : theme.constData(),
                                         size > 0 ? size : 24, c.shm);
    wl_cursor* cursor =
        c.cursorTheme ? wl_cursor_theme_get_cursor(c.cursorTheme, "left_ptr") : nullptr;
    if (cursor && cursor->image_count > 0) {
        c.cursorImage = cursor->images[0];
        c.cursorSurface = wl_compositor_create_surface(c.compositor);
        wl_surface_attach(c.cursorSurface, wl_cursor_image_get_buffer(c.cursorImage), 0, 0);
        wl_surface_damage(c.cursorSurface, 0, 0, int(c.cursorImage->width),
                          int(c.cursorImage->height));
        wl_surface_commit(c.cursorSurface);
    }
    wl_display_flush(c.display);

    m_notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(c.display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &LayerShellPopup::dispatch);
    // Qt's own event loop may have read our events while we were busy.
    connect(QCoreApplication::eventDispatcher(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] {
                if (usable()) {
                    wl_display_dispatch_pending(m_connection->display);
                    wl_display_flush(m_connection->display);
                }
            });

    m_locateTimeout.setSingleShot(true);
    m_locateTimeout.setInterval(kLocateTimeoutMs);
    connect(&m_locateTimeout, &QTimer::timeout, this, [this] {
        // After a busy spell the timer and the compositor's report can be
        // ready at once, and the timer may be served first: take in what
        // the compositor has sent by now before settling for less.
        if (m_catcher && m_catcher->role == SurfaceRole::Locator &&
            wl_display_roundtrip(m_connection->display) < 0)
            return;
        placePanel();
    });
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, &LayerShellPopup::drawFrame);
    connect(m_control.get(), &QQuickRenderControl::renderRequested, this,
            &LayerShellPopup::scheduleFrame);
    connect(m_control.get(), &QQuickRenderControl::sceneChanged, this, [this] {
        m_sceneChanged = true;
        scheduleFrame();
    });
    connect(m_panel, &QQuickItem::heightChanged, this, &LayerShellPopup::scheduleFrame);
    if (m_panel->metaObject()->indexOfSignal("closeRequested()") >= 0)
        connect(m_panel, SIGNAL(closeRequested()), this, SLOT(close()));
}

LayerShellPopup::~LayerShellPopup() {
    m_surface.reset();
    m_catcher.reset();
    m_notifier.reset();
    // The panel belongs to the window, which must go before its render control.
    m_window.reset();
    m_control.reset();
}

bool LayerShellPopup::usable() const {
    return m_connection && wl_display_get_error(m_connection->display) == 0;
}

bool LayerShellPopup::isOpen() const {
    return m_catcher != nullptr || m_surface != nullptr;
}

bool LayerShellPopup::dismissedJustNow() const {
    return m_dismissed.isValid() && m_dismissed.elapsed() < kDismissGraceMs;
}

void LayerShellPopup::dispatch() {
    wl_display* display = m_connection->display;
    while (wl_display_prepare_read(display) != 0)
        wl_display_dispatch_pending(display);
    if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0) {
        // The compositor went away: nothing more will come.
        m_notifier->setEnabled(false);
        m_surface.reset();
        m_catcher.reset();
        return;
    }
    wl_display_flush(display);
}

namespace {

std::unique_ptr<LayerSurface> makeLayerSurface(LayerShellConnection& c, SurfaceRole role,
                                               void* listenerData) {
    auto made = std::make_unique<LayerSurface>();
    made->role = role;
    made->surface = wl_compositor_create_surface(c.compositor);
    uint32_t layer = role == SurfaceRole::Catcher ? ZWLR_LAYER_SHELL_V1_LAYER_TOP
                                                  : ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY;
    made->layer =
        zwlr_layer_shell_v1_get_layer_surface(c.shell, made->surface, nullptr, layer, "brimlow");
    zwlr_layer_surface_v1_add_listener(made->layer, &LayerShellEvents::kLayer, listenerData);
    if (role != SurfaceRole::Panel) {
        zwlr_layer_surface_v1_set_anchor(made->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                          ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                          ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over the bar too: the locator must be under the pointer that
        // clicked the icon.
        zwlr_layer_surface_v1_set_exclusive_zone(made->layer, -1);
    }
    return made;
}

} // namespace

// Opening takes two steps. A transparent layer over the whole output, the
// bar included, learns where the pointer is (the compositor tells a surface
// that appears under it): that is the icon the user just clicked, which
// hosts don't reliably report. Then the panel hangs from the bar there, on
// the topmost layer, with a transparent layer under it that closes it.
void LayerShellPopup::open(QRect activation) {
    if (!usable() || isOpen())
        return;
    m_activation = activation;
    // The last place the pointer was reported stays: when no report comes
    // this time, the icon is most likely still there.
    m_catcher = makeLayerSurface(*m_connection, SurfaceRole::Locator, this);
    wl_surface_commit(m_catcher->surface);
    wl_display_flush(m_connection->display);
}

void LayerShellPopup::placePanel() {
    m_locateTimeout.stop();
    if (!m_catcher || m_catcher->role != SurfaceRole::Locator || m_surface)
        return;
    m_output = m_catcher->size;
    m_catcher = makeLayerSurface(*m_connection, SurfaceRole::Catcher, this);
    wl_surface_commit(m_catcher->surface);

    const int width = int(std::ceil(m_panel->width()));
    EdgePlacement placement = placeAlongBar(width, m_output, m_pointer, m_activation);
    m_edge = placement.edge;
    m_surface = makeLayerSurface(*m_connection, SurfaceRole::Panel, this);
    zwlr_layer_surface_v1* layer = m_surface->layer;
    // The whole height between the bars: the panel is drawn at the bar's
    // end of it and the rest is transparent and lets clicks through.
    zwlr_layer_surface_v1_set_anchor(layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    zwlr_layer_surface_v1_set_size(layer, uint32_t(width), 0);
    zwlr_layer_surface_v1_set_margin(layer, kLayerGap, 0, kLayerGap, placement.left);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer, 1);
    wl_surface_commit(m_surface->surface);
    wl_display_flush(m_connection->display);
}

void LayerShellPopup::close() {
    m_locateTimeout.stop();
    m_frameTimer.stop();
    m_frameWanted = false;
    m_surface.reset();
    m_catcher.reset();
    m_buttons = Qt::NoButton;
    if (usable())
        wl_display_flush(m_connection->display);
}

void LayerShellPopup::dismiss() {
    m_dismissed.start();
    close();
}

void LayerShellPopup::scheduleFrame() {
    if (m_surface && !m_frameTimer.isActive())
        m_frameTimer.start(0);
}

void LayerShellPopup::drawFrame() {
    if (!m_surface || !m_surface->configured)
        return;
    if (m_surface->frame) {
        // The compositor hasn't shown the last one yet.
        m_frameWanted = true;
        return;
    }
    m_frameWanted = false;
    const QSize panelSize(int(std::ceil(m_panel->width())), int(std::ceil(m_panel->height())));
    if (panelSize.isEmpty() || m_rows.length <= 0)
        return;
    if (m_window->size() != panelSize)
        m_window->resize(panelSize);
    if (m_image.size() != panelSize) {
        m_image = QImage(panelSize, QImage::Format_ARGB32_Premultiplied);
        m_window->setRenderTarget(QQuickRenderTarget::fromPaintDevice(&m_image));
        m_sceneChanged = true;
    }
    m_control->polishItems();
    m_control->beginFrame();
    if (m_sceneChanged)
        m_control->sync();
    m_control->render();
    m_control->endFrame();
    m_sceneChanged = false;

    const QSize area = m_surface->size;
    ShmBuffer* buffer = m_surface->freeBuffer(m_connection->shm, area);
    if (!buffer) {
        m_frameWanted = true; // both with the compositor; drawn again when one returns
        return;
    }
    const int height = std::min(panelSize.height(), m_rows.length);
    const int width = std::min(panelSize.width(), area.width());
    m_content =
        QRect(0, m_edge == BarEdge::Top ? m_rows.start : m_rows.start + m_rows.length - height,
              width, height);
    std::memset(buffer->data, 0, buffer->bytes);
    const int stride = area.width() * 4;
    for (int row = 0; row < height; ++row)
        std::memcpy(buffer->data + size_t(m_content.top() + row) * size_t(stride),
                    m_image.constScanLine(row), size_t(width) * 4);
    buffer->busy = true;

    wl_surface* surface = m_surface->surface;
    wl_region* input = wl_compositor_create_region(m_connection->compositor);
    wl_region_add(input, m_content.x(), m_content.y(), m_content.width(), m_content.height());
    wl_surface_set_input_region(surface, input);
    wl_region_destroy(input);
    wl_surface_attach(surface, buffer->buffer, 0, 0);
    wl_surface_damage(surface, 0, 0, area.width(), area.height());
    m_surface->frame = wl_surface_frame(surface);
    wl_callback_add_listener(m_surface->frame, &LayerShellEvents::kFrame, this);
    wl_surface_commit(surface);
    wl_display_flush(m_connection->display);
}

QPoint LayerShellPopup::toPanel(QPointF surfacePoint) const {
    return (surfacePoint - QPointF(m_content.topLeft())).toPoint();
}

void LayerShellPopup::sendMouse(int type, QPointF surfacePoint, Qt::MouseButton button) {
    m_lastPointer = surfacePoint;
    QPointF local = toPanel(surfacePoint);
    QMouseEvent event(QEvent::Type(type), local, local, local, button, m_buttons, m_modifiers,
                      QPointingDevice::primaryPointingDevice());
    QCoreApplication::sendEvent(m_window.get(), &event);
}

} // namespace brimlow
