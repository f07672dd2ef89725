// The panel that the tray application's popup shows: a QML item bound to one
// MeterModel.
//
//     QQuickStyle::setStyle("Basic");           // before the first QML engine
//     QQuickView view;
//     view.setInitialProperties({{"model", QVariant::fromValue(model)}});
//     view.setSource(meterPanelUrl(appearance));
//
// The root item is 370 pixels wide and as tall as its content; it emits
// closeRequested() when Escape is pressed.
#pragma once

#include "ui/appearance.h"

#include <QUrl>

namespace brimlow {

// The address of the panel's root QML file. The first call's `appearance`,
// which must outlive every panel, serves every QML engine of the process.
QUrl meterPanelUrl(Appearance& appearance);

} // namespace brimlow
