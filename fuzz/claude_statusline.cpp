// The status JSON Claude Code hands the status-line mode, from the fuzzer:
// the snapshot the mode would record, and that snapshot read back as the
// tray application reads it. The input is also read as a snapshot file,
// which a person or another program could have written.
#include "base/json_depth.h"
#include "claude/quota_snapshot.h"
#include "claude/statusline.h"
#include "fuzz_support.h"

#include <nlohmann/json.hpp>

namespace brimlow {
namespace {

using fuzz::require;
using nlohmann::json;

void checkQuotas(std::string_view snapshotText) {
    ProviderUsage usage;
    applyClaudeQuotaText(usage, snapshotText);
    require(usage.quotas.size() <= 2, "at most two windows");
    for (const auto& quota : usage.quotas) {
        require(quota.percent >= 0 && quota.percent <= 100, "percent within 0..100");
        require(quota.minutes == 300 || quota.minutes == 10080, "five hours or a week");
    }
}

void fuzzOne(std::string_view input) {
    const Time now{std::chrono::seconds(1760000000) + std::chrono::microseconds(250)};
    // Too deep a text is not parsed here either: copying and comparing the
    // value would overflow the stack.
    bool takeable = jsonDepthWithin(input);
    json status = takeable ? json::parse(input, nullptr, /*allow_exceptions=*/false) : json();
    bool hasLimits =
        status.is_object() && status.contains("rate_limits") && status["rate_limits"].is_object();

    auto snapshot = quotaSnapshotFor(input, now);
    require(snapshot.has_value() == hasLimits, "a snapshot exactly for an object rate_limits");
    if (snapshot) {
        json recorded = json::parse(*snapshot, nullptr, /*allow_exceptions=*/false);
        require(recorded.is_object(), "the snapshot parses");
        require(recorded["rate_limits"] == status["rate_limits"], "the limits are kept as given");
        require(recorded["updatedAt"] == toUnixSeconds(now), "the time is recorded");
        checkQuotas(*snapshot);
    }
    checkQuotas(input);
}

} // namespace
} // namespace brimlow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brimlow::fuzzOne(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
