// Every word the tray item shows: the menu, the tooltip's legend and the
// width the label next to the icon is laid out for. The XEmbed icon's QMenu
// and the D-Bus menu are both built from the same entries.
#pragma once

#include "app/shell_parts.h"

#include <QString>
#include <functional>
#include <vector>

namespace brimlow {

// Under the title in the tooltip: what the two figures are.
QString trayLegend();

// The XEmbed icon's tooltip: the title, then the rest.
QString trayToolTip(const QString& title, const QStringList& warnings);
// What follows the title: the pace warnings, then the legend.
QString trayToolTipBody(const QStringList& warnings);

// The widest title the model writes; hosts that draw the label next to the
// icon reserve this much room, so the panel doesn't shift as figures change.
QString trayLabelGuide();

// One entry of the icon's menu; an entry without a label is a separator.
struct TrayMenuEntry {
    QString label;
    std::function<void()> run;
};

std::vector<TrayMenuEntry> trayMenuEntries(const TrayActions& actions);

} // namespace brimlow
