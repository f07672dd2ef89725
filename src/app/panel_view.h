// The view behind PanelPopup. As a popup it takes the pointer and keyboard
// while shown, so that a click anywhere else reaches it and closes it: a
// window of its own can't learn of clicks elsewhere, and waiting for it to
// lose the focus would reopen it at once when the click was on the tray
// icon.
#pragma once

#include "app/shell_parts.h"

#include <QElapsedTimer>
#include <QQuickView>
#include <QTimer>
#include <memory>

class QWidget;

namespace brimlow {

class PanelView final : public QQuickView {
public:
    PanelView();
    ~PanelView() override;

    void setStyle(PanelStyle style);
    // True for a moment after the popup closed itself on a click elsewhere
    // or on losing the focus. When that click was on the tray icon, the
    // tray reports the click after the press has closed the popup: that
    // click closed the panel and must not open it again.
    bool dismissedJustNow() const;
    // Puts the popup at the tray icon and keeps it there as its height
    // changes.
    void placeAt(QRect iconGeometry);
    // Limits the panel's height to the screen's work area; taller content
    // scrolls.
    void fitToScreen();
    // Before a popup shows where it can't take the pointer (Xwayland):
    // covers the work area with a transparent window under the popup, so
    // that a click on the bare desktop, which moves no focus, closes it too.
    void coverWorkArea();

protected:
    void exposeEvent(QExposeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void place();
    void limitHeight(int height);
    void holdSize();
    void grabInput();
    void dismiss();
    bool isPopup() const { return m_style == PanelStyle::Popup; }

    PanelStyle m_style = PanelStyle::Popup;
    // Only X11 lets a window take the pointer; elsewhere the popup closes
    // when it loses the focus.
    bool m_canGrab;
    QRect m_iconGeometry;
    QTimer m_grabRetry;
    int m_grabTries = 0;
    QElapsedTimer m_dismissed;
    std::unique_ptr<QWidget> m_cover;
};

} // namespace brimlow
