#include "usage/log_readers.h"

#include <bit>
#include <deque>

namespace brimlow {

namespace {

std::int64_t cacheTokens(const UsageRow& row) {
    return saturatingAdd(row.cacheRead, row.cacheCreation);
}

// Indices into a list of picks by message id hash: open addressing, sized
// once for every candidate, so that the de-duplication allocates nothing per
// line.
class PickIndex {
public:
    explicit PickIndex(std::size_t candidates)
        : m_slots(std::bit_ceil(candidates * 2 + 2), kEmpty), m_mask(m_slots.size() - 1) {}

    // The slot for `hash`: the index held there, or kEmpty to be filled.
    std::uint32_t& slot(std::uint64_t hash, const auto& hashAt) {
        for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            if (m_slots[i] == kEmpty || hashAt(m_slots[i]) == hash)
                return m_slots[i];
        }
    }

    static constexpr std::uint32_t kEmpty = ~std::uint32_t(0);

private:
    std::vector<std::uint32_t> m_slots;
    std::size_t m_mask;
};

// A pick of the whole scan: one file's pick, and the state holding its id.
struct Pick {
    const ClaudePick* pick;
    const ClaudeFileState* owner;
};

} // namespace

std::uint64_t messageIdHash(std::string_view id) {
    // FNV-1a, then spread over every bit.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : id)
        hash = (hash ^ c) * 1099511628211ull;
    return mixBits(hash);
}

void addClaudeRows(ClaudeFileState& state, const LogRows& rows, std::size_t count, IdText ids) {
    auto& picks = state.picks;
    PickIndex index(picks.size() + count);
    auto hashAt = [&](std::uint32_t i) { return picks[i].idHash; };
    for (std::uint32_t i = 0; i < picks.size(); ++i)
        index.slot(picks[i].idHash, hashAt) = i;

    for (std::size_t r = 0; r < count; ++r) {
        const UsageRow& row = rows.usage[r];
        if (!row.timestamp)
            continue;
        std::string_view id = rows.id(row);
        ClaudePick candidate{messageIdHash(id), *row.timestamp, row.input, row.output,
                             cacheTokens(row)};
        std::uint32_t& held = index.slot(candidate.idHash, hashAt);
        if (held == PickIndex::kEmpty) {
            held = std::uint32_t(picks.size());
            picks.push_back(candidate);
            if (ids == IdText::Kept) {
                state.ids.append(id);
                state.idEnds.push_back(std::uint32_t(state.ids.size()));
            }
        } else if (candidate.weight() > picks[held].weight()) {
            picks[held] = candidate;
        }
    }
}

ProviderUsage claudeUsage(const std::vector<ScannedFile>& files, Summing summing) {
    // A last line still being written counts as the file's own last line.
    std::deque<ClaudeFileState> unfinished;
    std::vector<const ClaudeFileState*> states;
    std::size_t candidates = 0;
    for (const auto& file : files) {
        states.push_back(&file.state->claude);
        candidates += file.state->claude.picks.size();
        if (const LogRows& rows = file.state->unfinished; !rows.usage.empty()) {
            addClaudeRows(unfinished.emplace_back(), rows, rows.usage.size(),
                          summing ? IdText::HashOnly : IdText::Kept);
            states.push_back(&unfinished.back());
            candidates += rows.usage.size();
        }
    }

    // One file's heaviest line per id, offered file by file, keeps the same
    // line as offering every line of every file would.
    std::vector<Pick> picks;
    picks.reserve(candidates);
    PickIndex index(candidates);
    auto hashAt = [&](std::uint32_t i) { return picks[i].pick->idHash; };
    for (const ClaudeFileState* state : states) {
        for (const ClaudePick& pick : state->picks) {
            std::uint32_t& held = index.slot(pick.idHash, hashAt);
            if (held == PickIndex::kEmpty) {
                held = std::uint32_t(picks.size());
                picks.push_back({&pick, state});
            } else if (pick.weight() > picks[held].pick->weight()) {
                picks[held] = {&pick, state};
            }
        }
    }

    ProviderUsage usage;
    for (const auto& [pick, owner] : picks) {
        if (summing)
            addToSums(usage.sums, pick->date, {pick->input, pick->output, pick->cache}, *summing);
        else
            usage.entries.push_back(
                {std::string(owner->id(std::size_t(pick - owner->picks.data()))), pick->date,
                 pick->input, pick->output, pick->cache});
    }
    usage.source = picks.empty() ? FiguresSource::NoLocalRecords : FiguresSource::ClaudeLogs;
    return usage;
}

} // namespace brimlow
