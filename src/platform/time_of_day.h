// The time of day as the user's desktop writes it: the system locale's
// short time format, in local time, without a date.
#pragma once

#include "base/time.h"

#include <string>

namespace brimlow {

std::string localShortTimeOfDay(Time t);

} // namespace brimlow
