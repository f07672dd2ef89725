#include "ui/panel_text.h"

#include "records/records.h"

#include <QRegularExpression>
#include <algorithm>

namespace brimlow {

QString percentUsedText(double percent) {
    return QString::number(roundPercent(percent)) + QStringLiteral("% 사용");
}

QString countdownText(std::int64_t seconds) {
    constexpr std::int64_t kDay = 24 * 60;
    std::int64_t minutes = std::max<std::int64_t>(1, (seconds + 59) / 60);
    std::int64_t days = minutes / kDay;
    std::int64_t hours = minutes % kDay / 60;
    std::int64_t rest = minutes % 60;

    QString text;
    if (days > 0) {
        text = QString::number(days) + QStringLiteral("일");
        if (hours > 0)
            text += QStringLiteral(" ") + QString::number(hours) + QStringLiteral("시간");
    } else if (hours > 0) {
        text = QString::number(hours) + QStringLiteral("시간");
        if (rest > 0)
            text += QStringLiteral(" ") + QString::number(rest) + QStringLiteral("분");
    } else {
        text = QString::number(rest) + QStringLiteral("분");
    }
    return text + QStringLiteral(" 후");
}

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
