#include "usage/log_readers.h"

#include <bit>
#include <string_view>

namespace brimlow {

namespace {

std::int64_t cacheTokens(const UsageRow& row) {
    return saturatingAdd(row.cacheRead, row.cacheCreation);
}

std::int64_t weight(const UsageRow& row) {
    return saturatingAdd(saturatingAdd(row.input, row.output), cacheTokens(row));
}

struct Pick {
    std::string_view id;
    const UsageRow* row;
    std::int64_t weight;
};

// The picks by message id: an open-addressing table of indices into the
// list of picks, sized once for every row, so that the dedup that runs on
// every refresh allocates nothing per line.
class PickTable {
public:
    explicit PickTable(std::size_t rows)
        : m_slots(std::bit_ceil(rows * 2 + 2), kEmpty), m_mask(m_slots.size() - 1) {
        m_picks.reserve(rows);
    }

    // Keeps the pick unless one for the same id is at least as heavy.
    void offer(const Pick& pick) {
        for (std::size_t i = std::hash<std::string_view>{}(pick.id) & m_mask;;
             i = (i + 1) & m_mask) {
            if (m_slots[i] == kEmpty) {
                m_slots[i] = m_picks.size();
                m_picks.push_back(pick);
                return;
            }
            Pick& held = m_picks[m_slots[i]];
            if (held.id == pick.id) {
                if (pick.weight > held.weight)
                    held = pick;
                return;
            }
        }
    }

    const std::vector<Pick>& picks() const { return m_picks; }

private:
    static constexpr std::size_t kEmpty = ~std::size_t(0);
    std::vector<std::size_t> m_slots;
    std::size_t m_mask;
    std::vector<Pick> m_picks;
};

} // namespace

ProviderUsage claudeUsage(const std::vector<ScannedFile>& files) {
    std::size_t lines = 0;
    for (const auto& file : files)
        lines += file.rows->usage.size();

    // Keyed by views into the cached rows: a message id is copied once, into
    // its entry, however many lines repeat it.
    PickTable table(lines);
    for (const auto& file : files) {
        const LogRows& rows = *file.rows;
        for (const auto& row : rows.usage) {
            if (row.timestamp)
                table.offer({rows.id(row), &row, weight(row)});
        }
    }

    ProviderUsage usage;
    usage.entries.reserve(table.picks().size());
    for (const auto& pick : table.picks()) {
        const UsageRow& row = *pick.row;
        usage.entries.push_back(
            {std::string(pick.id), *row.timestamp, row.input, row.output, cacheTokens(row)});
    }
    usage.source =
        usage.entries.empty() ? FiguresSource::NoLocalRecords : FiguresSource::ClaudeLogs;
    return usage;
}

} // namespace brimlow
