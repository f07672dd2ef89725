#include "records/windows.h"

#include <algorithm>
#include <cmath>

namespace brimlow {

WindowKeys windowKeys(KeyStyle style) {
    if (style == KeyStyle::Snake)
        return {"used_percent", "window_minutes", "resets_at"};
    return {"usedPercent", "windowDurationMins", "resetsAt"};
}

std::optional<Quota> quotaFromWindow(const RawWindow& window) {
    if (!window.percent || !window.minutes)
        return std::nullopt;
    double percent = *window.percent;
    percent = std::isnan(percent) ? 0.0 : std::clamp(percent, 0.0, 100.0);
    std::optional<Time> reset;
    if (window.resetSeconds)
        reset = fromUnixSeconds(*window.resetSeconds);
    return Quota{percent, *window.minutes, reset};
}

} // namespace brimlow
