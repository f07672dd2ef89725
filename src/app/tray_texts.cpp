#include "app/tray_texts.h"

#include "texts/texts.h"

namespace brimlow {

namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

QString trayLegend() {
    return toQString(kTrayLegend);
}

QString trayToolTipBody(const QStringList& warnings) {
    return (warnings + QStringList{trayLegend()}).join(QLatin1Char('\n'));
}

QString trayToolTip(const QString& title, const QStringList& warnings) {
    return title + "\n" + trayToolTipBody(warnings);
}

QString trayLabelGuide() {
    return toQString(kTrayLabelGuide);
}

std::vector<TrayMenuEntry> trayMenuEntries(const TrayActions& actions) {
    return {
        {toQString(kMenuOpenPanel), actions.openPanel},
        {toQString(kMenuRefresh), actions.refresh},
        {QString(), nullptr},
        {toQString(kMenuQuit), actions.quit},
    };
}

} // namespace brimlow
