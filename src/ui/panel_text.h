// Times and dates in the locale's own short forms, for the panel and the
// notifications. The words around them are in texts/texts.h.
#pragma once

#include "base/time.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <string>

namespace brimlow {

// The time of day without a date, in the locale's short form without
// seconds ("오후 3:40", "15:40").
QString timeText(const QDateTime& time, const QLocale& locale);

// The same for the notifications: local time, the system's locale.
std::string localShortTimeOfDay(Time t);

// Date and time of day in the locale's short forms, the year written in full
// ("2025. 1. 5. 오후 3:40").
QString dateTimeText(const QDateTime& time, const QLocale& locale);

} // namespace brimlow
