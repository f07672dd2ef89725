#include "app/panel_view.h"

#include "app/popup_placement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QQuickItem>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace brimlow {

namespace {

// The click that opened the popup may still hold the pointer (in the tray
// host's process, for trays that relay clicks), so a grab can fail at
// first; it is retried for a moment.
constexpr int kGrabRetryMs = 50;
constexpr int kGrabTries = 20;
// Between the popup and the edges of the work area.
constexpr int kPopupGap = 4;
// A title bar and a frame, generously.
constexpr int kWindowFrameAllowance = 64;
// Longer than a click takes from press to the tray's report of it.
constexpr qint64 kDismissGraceMs = 400;

Qt::WindowFlags flagsFor(PanelStyle style, bool canGrab) {
    if (style == PanelStyle::Window)
        return Qt::Window;
    // Bypassing the window manager lets requestActivate() give the popup
    // the keyboard focus itself; managers ignore activation requests for
    // unmanaged (override-redirect) windows.
    return canGrab ? Qt::Popup | Qt::X11BypassWindowManagerHint
                   : Qt::Tool | Qt::FramelessWindowHint;
}

// The transparent window under a popup that closes it on a click.
class WorkAreaCover final : public QWidget {
public:
    explicit WorkAreaCover(std::function<void()> clicked) : m_clicked(std::move(clicked)) {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        m_clicked();
    }

private:
    std::function<void()> m_clicked;
};

} // namespace

// Only an X server of its own lets a window take the pointer: Xwayland's
// compositor keeps clicks on its own surfaces, so there the popup is a
// window like any other and closes when it loses the focus.
PanelView::PanelView()
    : m_canGrab(QGuiApplication::platformName() == QLatin1String("xcb") &&
                qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    setTitle(QStringLiteral("Brimlow"));
    setResizeMode(QQuickView::SizeViewToRootObject);
    setColor(QGuiApplication::palette().color(QPalette::Window));
    setFlags(flagsFor(m_style, m_canGrab));

    m_grabRetry.setInterval(kGrabRetryMs);
    connect(&m_grabRetry, &QTimer::timeout, this, &PanelView::grabInput);
    connect(this, &QWindow::heightChanged, this, [this] {
        if (isPopup() && isVisible())
            place();
        holdSize();
    });
    connect(this, &QWindow::widthChanged, this, &PanelView::holdSize);
    connect(this, &QWindow::activeChanged, this, [this] {
        if (isPopup() && !m_canGrab && !isActive() && isVisible())
            dismiss();
    });
    connect(this, &QWindow::visibleChanged, this, [this] {
        if (isVisible())
            return;
        m_grabRetry.stop();
        if (m_cover)
            m_cover->hide();
    });
}

// QWindow's destructor hides the window and so emits visibleChanged (and
// more) after this class's members are gone; the handlers above use them.
PanelView::~PanelView() {
    disconnect(this, nullptr, this, nullptr);
}

void PanelView::setStyle(PanelStyle style) {
    if (style == m_style)
        return;
    m_style = style;
    // Whether the window manager manages the window is fixed when the
    // native window is made, so it is made afresh (hidden; the caller
    // shows it).
    if (handle())
        destroy();
    setFlags(flagsFor(style, m_canGrab));
}

void PanelView::holdSize() {
    // Where the window can't be placed (Wayland), a tiling compositor would
    // tile the popup and stretch it to the tile; a window that can't be
    // resized is floated instead, at its own size.
    if (isPopup() && !m_canGrab) {
        setMinimumSize(size());
        setMaximumSize(size());
    } else {
        setMinimumSize(QSize());
        setMaximumSize(QSize((1 << 24) - 1, (1 << 24) - 1)); // Qt's own "no limit"
    }
}

bool PanelView::dismissedJustNow() const {
    return m_dismissed.isValid() && m_dismissed.elapsed() < kDismissGraceMs;
}

void PanelView::dismiss() {
    m_dismissed.start();
    hide();
}

void PanelView::placeAt(QRect iconGeometry) {
    m_iconGeometry = iconGeometry;
    place();
}

void PanelView::place() {
    QPoint cursor = QCursor::pos();
    QPoint anchor = m_iconGeometry.isEmpty() ? cursor : m_iconGeometry.center();
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect workArea = screen->availableGeometry();
    // The room on the icon's side of the work area only: a popup taller
    // than that would have to cover the bar to fit.
    limitHeight(popupRoom(m_iconGeometry, cursor, workArea) - kPopupGap);
    setPosition(placePopup(size(), m_iconGeometry, cursor, workArea).topLeft());
}

void PanelView::coverWorkArea() {
    if (!isPopup() || m_canGrab || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QScreen* screen = QGuiApplication::screenAt(position());
    if (!screen)
        return;
    if (!m_cover)
        m_cover = std::make_unique<WorkAreaCover>([this] { dismiss(); });
    // The work area, not the whole screen: the bar stays reachable (the
    // icon's own clicks close the popup), and a borderless window the size
    // of the screen would be taken for a full-screen one and put above.
    m_cover->setGeometry(screen->availableGeometry());
    m_cover->show();
}

void PanelView::fitToScreen() {
    // Room for the title bar and frame the window manager adds.
    if (QScreen* current = screen())
        limitHeight(current->availableGeometry().height() - kWindowFrameAllowance);
}

void PanelView::limitHeight(int height) {
    if (QQuickItem* root = rootObject())
        root->setProperty("maximumHeight", std::max(height, 0));
}

void PanelView::exposeEvent(QExposeEvent* event) {
    QQuickView::exposeEvent(event);
    if (isPopup() && m_canGrab && isExposed() && !m_grabRetry.isActive()) {
        m_grabTries = 0;
        grabInput();
    }
}

void PanelView::grabInput() {
    bool grabbed = setMouseGrabEnabled(true) && setKeyboardGrabEnabled(true);
    if (grabbed || ++m_grabTries >= kGrabTries || !isVisible())
        m_grabRetry.stop();
    else if (!m_grabRetry.isActive())
        m_grabRetry.start();
}

void PanelView::mousePressEvent(QMouseEvent* event) {
    // While grabbed, presses anywhere on the screen arrive here.
    if (isPopup() && !QRect(QPoint(), size()).contains(event->position().toPoint())) {
        event->accept();
        dismiss();
        return;
    }
    QQuickView::mousePressEvent(event);
}

void PanelView::keyPressEvent(QKeyEvent* event) {
    // The panel closes itself on Escape; when no item of it has the focus,
    // the key would go nowhere.
    if (event->key() == Qt::Key_Escape && !activeFocusItem()) {
        event->accept();
        hide();
        return;
    }
    QQuickView::keyPressEvent(event);
}

} // namespace brimlow
