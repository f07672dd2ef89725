#include "app/panel_popup.h"

#include "app/layer_shell_popup.h"
#include "app/panel_view.h"
#include "app/wayland_activation.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>

namespace brimlow {

PanelPopup::PanelPopup(QObject* model, const QUrl& source) : m_view(std::make_unique<PanelView>()) {
    QQmlEngine* engine = m_view->engine();
    // The panel's quit button calls Qt.quit(), which only signals the
    // engine.
    QObject::connect(engine, &QQmlEngine::quit, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(engine, &QQmlEngine::exit, QCoreApplication::instance(),
                     &QCoreApplication::exit, Qt::QueuedConnection);
    m_view->setInitialProperties({{QStringLiteral("model"), QVariant::fromValue(model)}});
    m_view->setSource(source);
    if (QQuickItem* root = m_view->rootObject();
        root && root->metaObject()->indexOfSignal("closeRequested()") >= 0)
        QObject::connect(root, SIGNAL(closeRequested()), m_view.get(), SLOT(hide()));
    m_model = model;
    m_source = source;
}

PanelPopup::~PanelPopup() = default;

bool PanelPopup::isOpen() const {
    return m_view->isVisible() || (m_layer && m_layer->isOpen());
}

bool PanelPopup::justDismissed() const {
    return m_view->dismissedJustNow() || (m_layer && m_layer->dismissedJustNow());
}

void PanelPopup::open(PanelStyle style, QRect anchor, const QString& activationToken) {
    // The compositor is asked about the layer shell, and the layer's copy
    // of the panel made, at the first popup, not at start.
    if (style == PanelStyle::Popup && !m_layerTried) {
        m_layerTried = true;
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            m_layer = LayerShellPopup::create(*m_view->engine(), m_model, m_source);
    }
    if (m_layer && m_layer->usable() && style == PanelStyle::Popup) {
        m_view->hide();
        m_layer->open(anchor);
        return;
    }
    if (m_layer)
        m_layer->close();
    m_view->setStyle(style);
    if (style == PanelStyle::Popup)
        m_view->placeAt(anchor);
    else
        m_view->fitToScreen();
    announceStartup(activationToken);
    m_view->coverWorkArea();
    m_view->show();
    m_view->raise();
    if (!activateWithToken(*m_view, activationToken))
        m_view->requestActivate();
}

void PanelPopup::close() {
    m_view->hide();
    if (m_layer)
        m_layer->close();
}

void PanelPopup::endActivation(const QString& activationToken) {
    completeStartup(activationToken);
}

QQuickView& PanelPopup::view() {
    return *m_view;
}

} // namespace brimlow
