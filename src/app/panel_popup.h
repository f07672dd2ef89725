// The panel's window on this desktop: a QQuickView holding the QML panel,
// shown as a popup at the tray icon, or as an ordinary window where there
// is no tray.
#pragma once

#include "app/shell_parts.h"

#include <QObject>
#include <QUrl>
#include <memory>

class QQuickView;

namespace brimlow {

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

    QQuickView& view();

private:
    std::unique_ptr<PanelView> m_view;
};

} // namespace brimlow
