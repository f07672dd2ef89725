#include "usage/local_usage_reader.h"

#include "usage/log_readers.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <thread>
#include <unordered_set>

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

std::size_t rowBytes(const LogRows& rows) {
    std::size_t bytes = rows.usage.capacity() * sizeof(UsageRow) +
                        rows.tokenCounts.capacity() * sizeof(TokenCountRow) + heapBytes(rows.ids);
    for (const auto& row : rows.tokenCounts)
        bytes += row.plan ? heapBytes(*row.plan) : 0;
    return bytes;
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
    FileStamps stamps;
    std::vector<std::string> paths;
    for (const auto& tree : trees) {
        for (const auto& file : tree.files) {
            stamps.emplace_back(file.diskPath(), file.stamp);
            paths.push_back(file.path);
        }
    }

    // Every file as the record was built from it: nothing to read or build.
    // A record restored from disk counts as built in this process.
    auto previous = built.find(key);
    if (auto saved = m_savedRecords.find(key);
        saved != m_savedRecords.end() && saved->second.files == stamps) {
        previous = built
                       .insert_or_assign(
                           key, Built{paths, m_generation, std::move(saved->second.usage), stamps})
                       .first;
        m_savedRecords.erase(saved);
    }
    if (previous != built.end() && previous->second.generation == m_generation &&
        previous->second.files == stamps)
        return previous->second.usage;

    std::vector<ScannedFile> files;
    stamps.clear();
    for (auto& tree : trees) {
        auto found = rows(std::move(tree), stamps);
        files.insert(files.end(), std::make_move_iterator(found.begin()),
                     std::make_move_iterator(found.end()));
    }
    std::vector<std::string> accepted;
    accepted.reserve(files.size());
    for (const auto& file : files)
        accepted.push_back(file.path);
    previous = built.find(key);
    if (previous != built.end() && previous->second.generation == m_generation &&
        previous->second.paths == accepted) {
        previous->second.files = std::move(stamps);
        return previous->second.usage;
    }
    Built& record = built[key];
    record = Built{std::move(accepted), m_generation, builder(files), std::move(stamps)};
    return record.usage;
}

std::size_t LocalUsageReader::cacheMemoryBytes() const {
    // A node holds the pair, the next pointer and the cached hash.
    constexpr std::size_t node = sizeof(std::pair<const std::string, Cached>) + 2 * sizeof(void*);
    std::size_t bytes = m_cache.bucket_count() * sizeof(void*);
    for (const auto& [path, cached] : m_cache)
        bytes += node + heapBytes(path) + rowBytes(cached.rows);
    for (const auto* built : {&m_builtCodex, &m_builtClaude}) {
        for (const auto& [root, record] : *built) {
            bytes += record.usage.entries.capacity() * sizeof(TokenEntry);
            for (const auto& entry : record.usage.entries)
                bytes += heapBytes(entry.id);
            for (const auto& path : record.paths)
                bytes += sizeof(std::string) + heapBytes(path);
        }
    }
    return bytes;
}

std::vector<ScannedFile> LocalUsageReader::rows(LogTree tree, FileStamps& accepted) {
    restorePendingRows();
    ++m_scan;

    // Unchanged files come from the cache without being opened; a file that
    // only grew is read from where its cached rows end.
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
            Cached& file = *found[i];
            accepted.emplace_back(tree.files[i].diskPath(), file.stamp);
            bool keep = file.rows.tokenCounts.size() >= m_options.keptCodexRows;
            result.push_back(
                {std::move(tree.files[i].path), &file.rows, keep ? &file.codex : nullptr});
        }
    }
    return result;
}

void LocalUsageReader::readFiles(std::vector<Job>& jobs) const {
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
                // Rows of an unfinished last line are read again: what was
                // built on them starts over.
                if (job.grown->mark.tailTokenCountRows > 0)
                    job.grown->codex = CodexFileState();
                job.ok = reader.readAppended(file.diskPath(), job.grown->rows, job.grown->mark);
                job.grown->stamp = file.stamp;
                job.grown->fingerprint = fingerprintOf(file.diskPath(), file.stamp.size);
                continue;
            }
            Cached read;
            read.stamp = file.stamp;
            auto rows = reader.read(file.diskPath(), file.compression, &read.mark);
            if (!rows)
                continue;
            read.rows = std::move(*rows);
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

void LocalUsageReader::restorePendingRows() {
    if (!m_pendingRows)
        return;
    auto files = decodeScanCacheRows(*m_pendingRows);
    m_pendingRows.reset();
    if (files)
        restore(std::move(*files));
}

FileRefs LocalUsageReader::filesToSave() const {
    // Met by a scan, or behind a record handed out without one.
    std::unordered_set<std::string_view> behindRecords;
    for (const auto* built : {&m_builtCodex, &m_builtClaude}) {
        for (const auto& [key, record] : *built) {
            for (const auto& file : record.files)
                behindRecords.insert(file.first);
        }
    }
    FileRefs files;
    for (const auto& [path, cached] : m_cache) {
        if (cached.lastScan != 0 || behindRecords.contains(path))
            files.emplace_back(&path, &cached);
    }
    return files;
}

void LocalUsageReader::restoreFrom(const std::string& path) {
    if (auto cache = loadScanCache(path)) {
        m_savedRecords = std::move(cache->records);
        m_pendingRows = std::move(cache);
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
