// The panel's window on this desktop: a QQuickView holding the QML panel,
// shown as a popup at the tray icon, or as an ordinary window where there
// is no tray. Where the compositor offers the layer shell, the popup is a
// layer surface instead.
#pragma once

#include "app/shell_parts.h"

#include <QObject>
#include <QUrl>
#include <memory>

class QQuickView;

namespace brimlow {

class LayerShellPopup;
class PanelView;

class PanelPopup final : public PanelWindow {
public:
    // `source`'s root item takes `model` as its required property "model",
    // sets its own size, and may emit closeRequested().
    PanelPopup(QObject* model, const QUrl& source);
    ~PanelPopup() override;

    bool isOpen() const override;
    bool justDismissed() const override;
    void open(PanelStyle style, QRect anchor, const QString& activationToken) override;
    void close() override;
    void endActivation(const QString& activationToken) override;

    QQuickView& view();

private:
    std::unique_ptr<PanelView> m_view;
    // The popup on compositors with the layer shell, where a window can't be
    // placed; null elsewhere.
    std::unique_ptr<LayerShellPopup> m_layer;
    bool m_layerTried = false;
    QObject* m_model;
    QUrl m_source;
};

} // namespace brimlow
