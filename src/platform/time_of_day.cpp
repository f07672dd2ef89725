#include "platform/time_of_day.h"

#include <QDateTime>
#include <QLocale>

namespace brimlow {

std::string localShortTimeOfDay(Time t) {
    auto millis = std::chrono::floor<std::chrono::milliseconds>(t).time_since_epoch().count();
    QTime time = QDateTime::fromMSecsSinceEpoch(millis, Qt::LocalTime).time();
    return QLocale::system().toString(time, QLocale::ShortFormat).toStdString();
}

} // namespace brimlow
