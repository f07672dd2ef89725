// Claude's rate limits as the status-line mode last recorded them.
#pragma once

#include "base/environment.h"
#include "records/records.h"

#include <string_view>

namespace brimlow {

// Merges the quota snapshot file into `usage`: its windows ("five_hour",
// then "seven_day") replace the quotas, "updatedAt" becomes the quota date,
// and the history's recent readings with the snapshot's own become the
// samples. A missing or malformed snapshot leaves `usage` exactly as it was.
void applyClaudeQuota(ProviderUsage& usage, const Environment& env, Time now);

// The same, from the snapshot's text, without the history; false when the
// snapshot was malformed.
bool applyClaudeQuotaText(ProviderUsage& usage, std::string_view snapshotText);

} // namespace brimlow
