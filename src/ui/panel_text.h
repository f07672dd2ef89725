// The panel's texts that come from numbers, times and the locale. They live
// in C++ so that percentages round exactly as the title and the
// notifications round them, and so that they can be tested without a scene.
#pragma once

#include "base/time.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <string>

namespace brimlow {

// "13% 사용": the percent rounded to an integer, halves away from zero.
QString percentUsedText(double percent);

// Time left until a reset, in Korean, in the two largest units: "6일 23시간 후",
// "2시간 14분 후", "3분 후". Minutes are rounded up, so the text never promises
// a reset earlier than it comes and never reads "0분".
QString countdownText(std::int64_t seconds);

// The time of day without a date, in the locale's short form without
// seconds ("오후 3:40", "15:40").
QString timeText(const QDateTime& time, const QLocale& locale);

// The same for the notifications: local time, the system's locale.
std::string localShortTimeOfDay(Time t);

// Date and time of day in the locale's short forms, the year written in full
// ("2025. 1. 5. 오후 3:40").
QString dateTimeText(const QDateTime& time, const QLocale& locale);

} // namespace brimlow
