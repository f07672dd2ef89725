#include "usage/line_reducer.h"

#include "base/numbers.h"
#include "records/windows.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <simdjson.h>

namespace brimlow {

static_assert(kLinePadding >= simdjson::SIMDJSON_PADDING);

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

// Parser buffers grow in powers of two from here, so that slowly growing
// line lengths do not reallocate them line after line.
constexpr std::size_t kMinimumCapacity = 64 * 1024;

std::optional<element> member(object parent, std::string_view key) {
    element value;
    if (parent.at_key(key).get(value))
        return std::nullopt;
    return value;
}

std::optional<object> objectMember(object parent, std::string_view key) {
    object value;
    if (auto found = member(parent, key); found && !found->get_object().get(value))
        return value;
    return std::nullopt;
}

std::optional<std::string_view> textMember(object parent, std::string_view key) {
    std::string_view value;
    if (auto found = member(parent, key); found && !found->get_string().get(value))
        return value;
    return std::nullopt;
}

std::optional<double> numberMember(object parent, std::string_view key) {
    double value;
    if (auto found = member(parent, key);
        found && found->is_number() && !found->get_double().get(value))
        return value;
    return std::nullopt;
}

// The shared integral rule, applied to whichever representation the parser
// chose for the number.
std::optional<std::int64_t> integralMember(object parent, std::string_view key) {
    auto found = member(parent, key);
    if (!found)
        return std::nullopt;
    switch (found->type()) {
    case element_type::INT64: {
        std::int64_t value;
        return found->get_int64().get(value) ? std::nullopt : integralValue(value);
    }
    case element_type::UINT64: {
        std::uint64_t value;
        return found->get_uint64().get(value) ? std::nullopt : integralValue(value);
    }
    case element_type::DOUBLE: {
        double value;
        return found->get_double().get(value) ? std::nullopt : integralValue(value);
    }
    default:
        return std::nullopt;
    }
}

// A count below zero is no count: a damaged line must not take tokens away
// from the totals, nor make the next Codex line look like a counter reset.
std::int64_t count(object parent, std::string_view key) {
    return std::max<std::int64_t>(integralMember(parent, key).value_or(0), 0);
}

// Like count(), but absent unless the member is a count of 0 or more.
std::optional<std::int64_t> validCount(object parent, std::string_view key) {
    auto value = integralMember(parent, key);
    if (value && *value >= 0)
        return value;
    return std::nullopt;
}

std::optional<Time> timestamp(object line) {
    if (auto text = textMember(line, "timestamp"))
        return parseRfc3339(*text);
    return std::nullopt;
}

void addUsageRow(object line, std::string_view id, object usage, LogRows& rows) {
    // Offsets are 32-bit; a file with gigabytes of message ids is not a log.
    if (rows.ids.size() + id.size() > std::numeric_limits<std::uint32_t>::max())
        return;
    UsageRow row;
    row.idOffset = std::uint32_t(rows.ids.size());
    row.idLength = std::uint32_t(id.size());
    rows.ids.append(id);
    row.timestamp = timestamp(line);
    row.input = count(usage, "input_tokens");
    row.output = count(usage, "output_tokens");
    row.cacheRead = count(usage, "cache_read_input_tokens");
    row.cacheCreation = count(usage, "cache_creation_input_tokens");
    rows.usage.push_back(row);
}

// The window members go through quotaFromWindow, the one place where the
// window rules live, read straight from the parsed line.
void readRateLimits(object limits, TokenCountRow& row) {
    row.hasRateLimits = true;
    auto limitId = textMember(limits, "limit_id");
    row.codexLimit = !limitId || *limitId == "codex";
    if (auto plan = textMember(limits, "plan_type"))
        row.plan = std::string(*plan);
    WindowKeys keys = windowKeys(KeyStyle::Snake);
    for (const char* name : {"primary", "secondary"}) {
        auto window = objectMember(limits, name);
        if (!window)
            continue;
        RawWindow raw;
        raw.percent = numberMember(*window, keys.percent);
        raw.minutes = integralMember(*window, keys.minutes);
        raw.resetSeconds = numberMember(*window, keys.reset);
        if (auto quota = quotaFromWindow(raw))
            row.quotas[row.quotaCount++] = *quota;
    }
}

void addTokenCountRow(object line, object payload, LogRows& rows) {
    TokenCountRow row;
    row.timestamp = timestamp(line);
    if (auto limits = objectMember(payload, "rate_limits"))
        readRateLimits(*limits, row);
    if (auto info = objectMember(payload, "info")) {
        if (auto totals = objectMember(*info, "total_token_usage")) {
            row.hasCounters = true;
            row.input = count(*totals, "input_tokens");
            row.output = count(*totals, "output_tokens");
        }
        if (auto last = objectMember(*info, "last_token_usage")) {
            row.lastInput = validCount(*last, "input_tokens");
            row.lastOutput = validCount(*last, "output_tokens");
        }
    }
    rows.tokenCounts.push_back(std::move(row));
}

} // namespace

struct LineReducer::Impl {
    simdjson::dom::parser parser;
};

LineReducer::LineReducer() : m_impl(std::make_unique<Impl>()) {}
LineReducer::~LineReducer() = default;

LineVerdict LineReducer::reduce(const char* text, std::size_t length, LogRows& rows) {
    auto& parser = m_impl->parser;
    if (length > parser.capacity() && length <= parser.max_capacity()) {
        std::size_t capacity = std::max(std::bit_ceil(length), kMinimumCapacity);
        // Should this fail, parse() below tries again with the exact size.
        simdjson::error_code ignored = parser.allocate(std::min(capacity, parser.max_capacity()));
        (void)ignored;
    }

    element root;
    if (parser.parse(text, length, false).get(root)) {
        // A parse that succeeds has validated the line's UTF-8 on the way;
        // only lines it rejects need the separate check.
        return simdjson::validate_utf8(text, length) ? LineVerdict::NotJson : LineVerdict::NotUtf8;
    }
    object line;
    if (root.get_object().get(line))
        return LineVerdict::Json;

    // A line that fits both shapes is a usage row; a message with usage but
    // no text id is tried as a token-count line.
    if (auto message = objectMember(line, "message")) {
        auto usage = objectMember(*message, "usage");
        auto id = textMember(*message, "id");
        if (usage && id) {
            addUsageRow(line, *id, *usage, rows);
            return LineVerdict::Json;
        }
    }
    if (auto payload = objectMember(line, "payload")) {
        if (textMember(*payload, "type") == "token_count")
            addTokenCountRow(line, *payload, rows);
    }
    return LineVerdict::Json;
}

} // namespace brimlow
