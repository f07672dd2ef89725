// The meter model's services on this desktop: the real environment and
// clock, the Codex query, freedesktop notifications, the XDG autostart
// entry, QSettings and logind's wake signal.
#pragma once

#include "model/meter_model.h"

namespace brimlow {

// Needs a running QCoreApplication on the calling (main) thread.
MeterServices desktopMeterServices();

} // namespace brimlow
