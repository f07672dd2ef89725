// The panel as a popup on Wayland compositors with the layer-shell protocol
// (sway, Hyprland, KWin). An ordinary Wayland window can't choose where it
// goes, so there the panel would open wherever the compositor puts new
// windows. A layer surface can: this one hangs from the bar's edge under the
// icon, and a transparent layer over the whole output, below it, takes the
// click that closes it (also on the icon: a second click closes).
//
// The panel is drawn by Qt Quick off screen, with the software renderer, and
// copied into shared-memory buffers on a Wayland connection of our own, so
// it works whichever platform Qt itself runs on (Wayland or Xwayland).
// Pointer and keyboard events from that connection are handed to the Qt
// Quick window.
#pragma once

#include "app/popup_placement.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <optional>

class QQmlEngine;
class QQuickItem;
class QQuickRenderControl;
class QQuickWindow;
class QUrl;

namespace brimlow {

struct LayerShellConnection;
struct LayerSurface;

class LayerShellPopup final : public QObject {
    Q_OBJECT

public:
    // Null unless the session's compositor (WAYLAND_DISPLAY) offers the
    // layer shell. The panel is made from `source` in `engine`, with
    // `model` as its required property "model".
    static std::unique_ptr<LayerShellPopup> create(QQmlEngine& engine, QObject* model,
                                                   const QUrl& source);
    ~LayerShellPopup() override;

    // False once the compositor went away: callers fall back to a window.
    bool usable() const;
    bool isOpen() const;
    bool dismissedJustNow() const;
    // `activation` is where the tray said the click was, used when the
    // pointer can't be found.
    void open(QRect activation);

public slots:
    void close();

private:
    LayerShellPopup(std::unique_ptr<LayerShellConnection> connection, QQuickItem* panel,
                    std::unique_ptr<QQuickRenderControl> control,
                    std::unique_ptr<QQuickWindow> window);

    friend struct LayerShellEvents;
    void dispatch();
    void placePanel();
    void scheduleFrame();
    void drawFrame();
    void dismiss();
    QPoint toPanel(QPointF surfacePoint) const;
    void sendMouse(int type, QPointF surfacePoint, Qt::MouseButton button);

    std::unique_ptr<LayerShellConnection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QQuickItem* m_panel;
    std::unique_ptr<QQuickRenderControl> m_control;
    std::unique_ptr<QQuickWindow> m_window;
    // The transparent layer that catches clicks elsewhere, and the panel's.
    std::unique_ptr<LayerSurface> m_catcher;
    std::unique_ptr<LayerSurface> m_surface;
    QRect m_activation;
    std::optional<QPoint> m_pointer;
    BarEdge m_edge = BarEdge::Top;
    QSize m_output;
    RowSpan m_rows{0, 0};
    QPointF m_lastPointer;
    QTimer m_locateTimeout;
    QTimer m_frameTimer;
    bool m_sceneChanged = true;
    bool m_frameWanted = false;
    // The panel's rectangle in its layer surface.
    QRect m_content;
    QImage m_image;
    Qt::MouseButtons m_buttons;
    Qt::KeyboardModifiers m_modifiers;
    QElapsedTimer m_dismissed;
};

} // namespace brimlow
