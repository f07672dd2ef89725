// The figures for scripts and status bars: "--json" (one object per line,
// its members only ever added to) and "--waybar" (waybar's custom-module
// object), built from the same records the panel shows.
#pragma once

#include "base/time.h"
#include "records/records.h"

#include <functional>
#include <string>

namespace brimlow {

// Both providers' records as one refresh left them.
struct ReportFigures {
    ProviderUsage codex;
    ProviderUsage claude;
};

// One line of JSON: the version, the time it was made and, per provider,
// its records, today's tokens, plan, status and windows with their pace.
std::string figuresJson(const ReportFigures& figures, Time now);

// waybar's object: the title as text, the tooltip's lines, a class by the
// most pressing window and the highest current percent.
std::string waybarJson(const ReportFigures& figures, Time now,
                       const std::function<std::string(Time)>& timeOfDay);

} // namespace brimlow
