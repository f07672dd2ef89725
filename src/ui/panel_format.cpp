#include "ui/panel_format.h"

#include "texts/texts.h"
#include "ui/panel_text.h"

#include <QLocale>

namespace brimlow {

QVariantMap PanelFormat::words() const {
    QVariantMap words;
    for (const auto& [name, text] : panelWords())
        words.insert(QString::fromUtf8(name.data(), qsizetype(name.size())),
                     QString::fromStdString(text));
    return words;
}

QString PanelFormat::compact(qint64 n) const {
    return QString::fromStdString(brimlow::compact(n));
}

QString PanelFormat::percentUsed(double percent) const {
    return QString::fromStdString(percentUsedText(percent));
}

QString PanelFormat::countdown(const QDateTime& target, const QDateTime& now) const {
    return QString::fromStdString(countdownText(now.secsTo(target)));
}

// The default locale is the system's unless the application chose another.
QString PanelFormat::time(const QDateTime& time) const {
    return timeText(time, QLocale());
}

QString PanelFormat::dateTime(const QDateTime& time) const {
    return dateTimeText(time, QLocale());
}

QString PanelFormat::moment(const QDateTime& time, const QDateTime& now) const {
    return time.toLocalTime().date() == now.toLocalTime().date() ? timeText(time, QLocale())
                                                                 : dateTimeText(time, QLocale());
}

} // namespace brimlow
