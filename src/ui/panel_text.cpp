#include "ui/panel_text.h"

#include <QRegularExpression>

namespace brimlow {

QString timeText(const QDateTime& time, const QLocale& locale) {
    // The short format of the C locale, which LANG=C.UTF-8 selects, is
    // "HH:mm:ss": a time of day here is hours and minutes in every locale.
    static const QRegularExpression seconds(QStringLiteral("[^hHmaAp']*s+(\\.z+)?"));
    QString format = locale.timeFormat(QLocale::ShortFormat).remove(seconds).trimmed();
    return locale.toString(time.toLocalTime().time(), format);
}

std::string localShortTimeOfDay(Time t) {
    auto millis = std::chrono::floor<std::chrono::milliseconds>(t).time_since_epoch().count();
    return timeText(QDateTime::fromMSecsSinceEpoch(millis, Qt::LocalTime), QLocale::system())
        .toStdString();
}

QString dateTimeText(const QDateTime& time, const QLocale& locale) {
    // The short date forms write the year in two digits ("25. 1. 5.", "1/5/25"),
    // which reads like a day of the month next to the others.
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(time.toLocalTime().date(), format) + QLatin1Char(' ') +
           timeText(time, locale);
}

} // namespace brimlow
