// The meter model's services on this desktop: the real environment and
// clock, the Codex query, freedesktop notifications, the XDG autostart
// entry, QSettings and logind's wake signal.
#pragma once

#include "model/meter_model.h"

#include <string>

namespace brimlow {

// Needs a running QCoreApplication on the calling (main) thread. `launcher`
// is the program the autostart entry and the Claude bridge start later.
MeterServices desktopMeterServices(const std::string& launcher);

} // namespace brimlow
