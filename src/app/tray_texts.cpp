#include "app/tray_texts.h"

namespace brimlow {

QString trayLegend() {
    return QStringLiteral("Codex 한도 사용률 · Claude 한도 사용률 또는 오늘 토큰");
}

QString trayToolTip(const QString& title) {
    return title + "\n" + trayLegend();
}

QString trayLabelGuide() {
    return QStringLiteral("C 100%  A 100%");
}

std::vector<TrayMenuEntry> trayMenuEntries(const TrayActions& actions) {
    return {
        {QStringLiteral("패널 열기"), actions.openPanel},
        {QStringLiteral("새로고침"), actions.refresh},
        {QString(), nullptr},
        {QStringLiteral("종료"), actions.quit},
    };
}

} // namespace brimlow
