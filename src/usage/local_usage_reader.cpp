#include "usage/local_usage_reader.h"

#include "usage/log_readers.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <span>
#include <thread>

namespace brimlow {

namespace {

unsigned threadCount(unsigned requested) {
    if (requested > 0)
        return requested;
    return std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
}

// Heap bytes behind a string, beyond the object itself.
std::size_t heapBytes(const std::string& text) {
    return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
}

template <typename T>
std::size_t vectorBytes(const std::vector<T>& list) {
    return list.capacity() * sizeof(T);
}

std::size_t stateBytes(const FileState& state) {
    const LogRows& rows = state.unfinished;
    return vectorBytes(state.claude.picks) + heapBytes(state.claude.ids) +
           vectorBytes(state.claude.idEnds) + vectorBytes(state.codex.uses) +
           vectorBytes(state.codex.samples) + vectorBytes(state.codex.snapshot) +
           vectorBytes(rows.usage) + vectorBytes(rows.tokenCounts) + heapBytes(rows.ids);
}

// Adds a reading's rows to a file's state: the finished lines' to the two
// reductions; an unfinished last line's (the reading's last rows) in place
// of the ones kept before, which this reading read again.
void addReading(FileState& state, const LogRows& rows, const ReadMark& mark, IdText ids) {
    std::size_t usage = rows.usage.size() - mark.tailUsageRows;
    std::size_t counts = rows.tokenCounts.size() - mark.tailTokenCountRows;
    addClaudeRows(state.claude, rows, usage, ids);
    addCodexRows(state.codex, std::span(rows.tokenCounts).first(counts));
    LogRows& last = state.unfinished;
    last = LogRows();
    for (std::size_t i = usage; i < rows.usage.size(); ++i) {
        UsageRow row = rows.usage[i];
        row.idOffset = std::uint32_t(last.ids.size());
        last.ids.append(rows.id(rows.usage[i]));
        last.usage.push_back(row);
    }
    last.tokenCounts.assign(rows.tokenCounts.begin() + std::ptrdiff_t(counts),
                            rows.tokenCounts.end());
}

// Whether a cached plain file has only grown since: the same file, no
// smaller, and the same bytes where its first and last read bytes were.
bool onlyGrew(const LogFile& file, const FileStamp& before,
              const std::optional<Fingerprint>& fingerprint) {
    return file.compression == Compression::None && fingerprint && file.stamp.sameFile(before) &&
           file.stamp.size >= before.size &&
           fingerprintOf(file.diskPath(), std::uint64_t(before.size)) == fingerprint;
}

} // namespace

LocalUsageReader::LocalUsageReader(ReaderOptions options) : m_options(options) {}

ProviderUsage LocalUsageReader::codex(const std::string& root) {
    return buildOrReuse("codex", {root}, m_builtCodex, codexUsage);
}

ProviderUsage LocalUsageReader::claude(const std::vector<std::string>& roots) {
    return buildOrReuse("claude", roots, m_builtClaude, claudeUsage);
}

ProviderUsage LocalUsageReader::buildOrReuse(const char* reader,
                                             const std::vector<std::string>& roots,
                                             std::unordered_map<std::string, Built>& built,
                                             Builder builder) {
    std::vector<LogTree> trees;
    std::vector<DirectoryIdentity> walked;
    std::string key = std::string(reader) + '\0';
    for (const auto& root : roots) {
        key.append(root).push_back('\0');
        auto tree = findLogFiles(root);
        if (!tree)
            continue;
        if (std::find(walked.begin(), walked.end(), tree->identity) != walked.end())
            continue;
        walked.push_back(tree->identity);
        trees.push_back(std::move(*tree));
    }
    FilesDigester walkedFiles;
    for (const auto& tree : trees) {
        for (const auto& file : tree.files)
            walkedFiles.add(file);
        if (std::find(m_roots.begin(), m_roots.end(), tree.root) == m_roots.end())
            m_roots.push_back(tree.root);
    }
    FilesDigest met = walkedFiles.digest();

    // Every file as the record was built from it: nothing to read or build.
    // A record restored from disk counts as built in this process.
    auto previous = built.find(key);
    if (auto saved = m_savedRecords.find(key);
        saved != m_savedRecords.end() && saved->second.files == met) {
        previous =
            built.insert_or_assign(key, Built{m_generation, std::move(saved->second.usage), met})
                .first;
        m_savedRecords.erase(saved);
    }
    if (previous != built.end() && previous->second.generation == m_generation &&
        previous->second.files == met)
        return previous->second.usage;

    std::vector<ScannedFile> files;
    FilesDigester acceptedFiles;
    for (auto& tree : trees) {
        auto found = states(std::move(tree), acceptedFiles);
        files.insert(files.end(), std::make_move_iterator(found.begin()),
                     std::make_move_iterator(found.end()));
    }
    FilesDigest accepted = acceptedFiles.digest();
    previous = built.find(key);
    if (previous != built.end() && previous->second.generation == m_generation &&
        previous->second.files == accepted)
        return previous->second.usage;
    Built& record = built[key];
    record = Built{m_generation, builder(files, summing()), accepted};
    return record.usage;
}

std::size_t LocalUsageReader::cacheMemoryBytes() const {
    // A node holds the pair, the next pointer and the cached hash.
    constexpr std::size_t node = sizeof(std::pair<const std::string, Cached>) + 2 * sizeof(void*);
    std::size_t bytes = m_cache.bucket_count() * sizeof(void*);
    for (const auto& [path, cached] : m_cache)
        bytes += node + heapBytes(path) + stateBytes(cached.state);
    for (const auto* built : {&m_builtCodex, &m_builtClaude}) {
        for (const auto& [root, record] : *built) {
            bytes += vectorBytes(record.usage.entries) + vectorBytes(record.usage.sums);
            for (const auto& entry : record.usage.entries)
                bytes += heapBytes(entry.id);
        }
    }
    return bytes;
}

Summing LocalUsageReader::summing() const {
    if (!m_options.clock)
        return std::nullopt;
    return fineSumsFrom(m_options.clock->now());
}

std::vector<ScannedFile> LocalUsageReader::states(LogTree tree, FilesDigester& accepted) {
    restorePendingStates();
    ++m_scan;

    // Unchanged files come from the cache without being opened; a file that
    // only grew is read from where its last reading ended.
    std::vector<Cached*> found(tree.files.size(), nullptr);
    std::vector<Job> jobs;
    std::vector<std::size_t> jobIndex;
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
        const LogFile& file = tree.files[i];
        auto cached = m_cache.find(file.diskPath());
        if (cached != m_cache.end() && cached->second.stamp == file.stamp) {
            cached->second.lastScan = m_scan;
            found[i] = &cached->second;
            continue;
        }
        Cached* grown = cached != m_cache.end() &&
                                onlyGrew(file, cached->second.stamp, cached->second.fingerprint)
                            ? &cached->second
                            : nullptr;
        jobs.push_back({&file, grown, std::nullopt, false});
        jobIndex.push_back(i);
    }

    // A file that can't be read is left out; its old entry goes in prune().
    readFiles(jobs);
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        Job& job = jobs[j];
        if (!job.ok)
            continue;
        Cached& slot = job.grown ? *job.grown : m_cache[job.file->diskPath()];
        if (!job.grown)
            slot = std::move(*job.read);
        slot.lastScan = m_scan;
        found[jobIndex[j]] = &slot;
    }
    if (prune(tree.root) || !jobs.empty())
        ++m_generation;

    std::vector<ScannedFile> result;
    result.reserve(tree.files.size());
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
        if (found[i]) {
            accepted.add(tree.files[i]);
            result.push_back({std::move(tree.files[i].path), &found[i]->state});
        }
    }
    return result;
}

void LocalUsageReader::readFiles(std::vector<Job>& jobs) const {
    IdText ids = m_options.clock ? IdText::HashOnly : IdText::Kept;
    // Largest first, so that no thread is left with one big file at the end.
    std::vector<std::size_t> order(jobs.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return jobs[a].file->stamp.size > jobs[b].file->stamp.size;
    });

    std::atomic<std::size_t> next{0};
    auto work = [&] {
        LogFileReader reader(m_options.chunkBytes);
        for (std::size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < order.size();) {
            Job& job = jobs[order[k]];
            const LogFile& file = *job.file;
            // The stamp is the one from before the reading: should the file
            // change meanwhile, the next scan sees a new stamp and goes on.
            if (job.grown) {
                ReadMark mark = job.grown->mark;
                auto rows = reader.readAppended(file.diskPath(), mark);
                if (!rows)
                    continue;
                addReading(job.grown->state, *rows, mark, ids);
                job.grown->mark = mark;
                job.grown->stamp = file.stamp;
                job.grown->fingerprint = fingerprintOf(file.diskPath(), file.stamp.size);
                job.ok = true;
                continue;
            }
            Cached read;
            read.stamp = file.stamp;
            auto rows = reader.read(file.diskPath(), file.compression, &read.mark);
            if (!rows)
                continue;
            addReading(read.state, *rows, read.mark, ids);
            read.state.claude.picks.shrink_to_fit();
            read.state.claude.ids.shrink_to_fit();
            read.state.claude.idEnds.shrink_to_fit();
            read.state.codex.uses.shrink_to_fit();
            if (file.compression == Compression::None)
                read.fingerprint = fingerprintOf(file.diskPath(), file.stamp.size);
            job.read = std::move(read);
            job.ok = true;
        }
    };
    unsigned helpers = std::min<std::size_t>(threadCount(m_options.threads), jobs.size());
    std::vector<std::jthread> threads;
    for (unsigned t = 1; t < helpers; ++t)
        threads.emplace_back(work);
    if (!jobs.empty())
        work();
}

void LocalUsageReader::restore(CachedFiles files) {
    for (auto& [path, file] : files) {
        Cached cached;
        static_cast<CachedFile&>(cached) = std::move(file);
        m_cache.insert_or_assign(path, std::move(cached));
    }
    ++m_generation;
}

void LocalUsageReader::restorePendingStates() {
    if (!m_pendingStates)
        return;
    auto files = decodeScanCacheStates(*m_pendingStates);
    m_pendingStates.reset();
    if (files)
        restore(std::move(*files));
}

FileRefs LocalUsageReader::filesToSave() const {
    // Met by a scan, or under a root whose record stood without one. The
    // files of roots no longer asked about are left out.
    auto underRoot = [&](const std::string& path) {
        return std::ranges::any_of(m_roots, [&](const std::string& root) {
            return path.size() > root.size() && path.starts_with(root) && path[root.size()] == '/';
        });
    };
    FileRefs files;
    for (const auto& [path, cached] : m_cache) {
        if (cached.lastScan != 0 || underRoot(path))
            files.emplace_back(&path, &cached);
    }
    return files;
}

void LocalUsageReader::restoreFrom(const std::string& path) {
    if (auto cache = loadScanCache(path)) {
        m_savedRecords = std::move(cache->records);
        m_pendingStates = std::move(cache);
    }
    m_savedGeneration = m_generation;
}

Result<void> LocalUsageReader::saveTo(const std::string& path) {
    if (m_generation == m_savedGeneration)
        return {};
    RecordRefs records;
    for (const auto* built : {&m_builtCodex, &m_builtClaude}) {
        for (const auto& [key, record] : *built)
            records.push_back({&key, &record.files, &record.usage});
    }
    auto saved = saveScanCache(path, records, filesToSave());
    if (saved.ok())
        m_savedGeneration = m_generation;
    return saved;
}

// Forgets the files under `root` that this scan did not accept: deleted,
// unreadable or no longer valid. The test is a plain text prefix, so entries
// of another root stay unless its path text happens to begin with this one.
bool LocalUsageReader::prune(const std::string& root) {
    return std::erase_if(m_cache, [&](const auto& entry) {
               return entry.second.lastScan != m_scan && entry.first.starts_with(root);
           }) > 0;
}

} // namespace brimlow
