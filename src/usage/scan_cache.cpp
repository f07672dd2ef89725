#include "usage/scan_cache.h"

#include "base/files.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <vector>
#include <zstd.h>

namespace brimlow {

namespace {

constexpr char kMagic[8] = {'B', 'R', 'M', 'S', 'C', 'A', 'N', '\n'};

// Plain numbers in this machine's byte order: the cache never leaves it.
class Writer {
public:
    template <typename T>
    void put(T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void put(std::string_view text) {
        put(std::uint64_t(text.size()));
        bytes.append(text);
    }
    void put(const std::optional<Time>& t) {
        put(std::uint8_t(t.has_value()));
        put(t ? std::int64_t(t->time_since_epoch().count()) : 0);
    }
    // A count, then the values as they lie in memory.
    template <typename T>
    void putPlain(const std::vector<T>& values) {
        static_assert(std::is_trivially_copyable_v<T>);
        put(std::uint64_t(values.size()));
        bytes.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
    }
    void put(const std::optional<std::string>& text) {
        put(std::uint8_t(text.has_value()));
        put(std::string_view(text.value_or("")));
    }
    void put(const std::optional<std::int64_t>& n) {
        put(std::uint8_t(n.has_value()));
        put(n.value_or(0));
    }

    std::string bytes;
};

// Every read is checked against the end; a failed one leaves `ok` false.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_rest(bytes) {}

    template <typename T>
    T get() {
        T value{};
        if (m_rest.size() < sizeof value) {
            ok = false;
            return value;
        }
        std::memcpy(&value, m_rest.data(), sizeof value);
        m_rest.remove_prefix(sizeof value);
        return value;
    }
    std::string text() {
        auto size = get<std::uint64_t>();
        if (size > m_rest.size()) {
            ok = false;
            return {};
        }
        std::string value(m_rest.substr(0, size));
        m_rest.remove_prefix(size);
        return value;
    }
    // What putPlain() wrote; false (and nothing allocated) for a count the
    // bytes left can't hold.
    template <typename T>
    bool getPlain(std::vector<T>& values) {
        auto count = get<std::uint64_t>();
        if (!ok || count > m_rest.size() / sizeof(T)) {
            ok = false;
            return false;
        }
        values.resize(count);
        if (count > 0)
            std::memcpy(values.data(), m_rest.data(), count * sizeof(T));
        m_rest.remove_prefix(count * sizeof(T));
        return true;
    }
    std::optional<std::string> optionalText() {
        bool has = get<std::uint8_t>() != 0;
        std::string value = text();
        return has ? std::optional(std::move(value)) : std::nullopt;
    }
    std::optional<Time> time() {
        bool has = get<std::uint8_t>() != 0;
        auto count = get<std::int64_t>();
        return has ? std::optional(Time(Time::duration(count))) : std::nullopt;
    }
    std::optional<std::int64_t> number() {
        bool has = get<std::uint8_t>() != 0;
        auto value = get<std::int64_t>();
        return has ? std::optional(value) : std::nullopt;
    }
    bool done() const { return ok && m_rest.empty(); }
    std::size_t left() const { return m_rest.size(); }

    bool ok = true;

private:
    std::string_view m_rest;
};

void putQuota(Writer& out, const Quota& quota) {
    out.put(quota.percent);
    out.put(quota.minutes);
    out.put(quota.reset);
}

Quota getQuota(Reader& in) {
    Quota quota;
    quota.percent = in.get<double>();
    quota.minutes = in.get<std::int64_t>();
    quota.reset = in.time();
    return quota;
}

void putRows(Writer& out, const LogRows& rows) {
    out.put(std::uint64_t(rows.usage.size()));
    for (const UsageRow& row : rows.usage) {
        out.put(row.idOffset);
        out.put(row.idLength);
        out.put(row.timestamp);
        for (std::int64_t n : {row.input, row.output, row.cacheRead, row.cacheCreation})
            out.put(n);
    }
    out.put(std::uint64_t(rows.tokenCounts.size()));
    for (const TokenCountRow& row : rows.tokenCounts) {
        out.put(row.timestamp);
        out.put(std::uint8_t(row.hasRateLimits | row.codexLimit << 1 | row.hasCounters << 2));
        out.put(row.quotaCount);
        for (std::uint8_t i = 0; i < row.quotaCount; ++i)
            putQuota(out, row.quotas[i]);
        out.put(row.plan);
        out.put(row.input);
        out.put(row.output);
        out.put(row.lastInput);
        out.put(row.lastOutput);
    }
    out.put(std::string_view(rows.ids));
}

// A count larger than the bytes left could hold can't be right: nothing is
// allocated for it.
std::optional<std::uint64_t> getCount(Reader& in, std::size_t leastBytesEach) {
    auto count = in.get<std::uint64_t>();
    if (!in.ok || count > in.left() / leastBytesEach)
        return std::nullopt;
    return count;
}

bool getRows(Reader& in, LogRows& rows) {
    auto count = getCount(in, 48);
    if (!count)
        return false;
    rows.usage.reserve(*count);
    for (std::uint64_t i = 0; i < *count && in.ok; ++i) {
        UsageRow row;
        row.idOffset = in.get<std::uint32_t>();
        row.idLength = in.get<std::uint32_t>();
        row.timestamp = in.time();
        row.input = in.get<std::int64_t>();
        row.output = in.get<std::int64_t>();
        row.cacheRead = in.get<std::int64_t>();
        row.cacheCreation = in.get<std::int64_t>();
        rows.usage.push_back(row);
    }
    count = getCount(in, 40);
    if (!count)
        return false;
    rows.tokenCounts.reserve(*count);
    for (std::uint64_t i = 0; i < *count && in.ok; ++i) {
        TokenCountRow row;
        row.timestamp = in.time();
        auto flags = in.get<std::uint8_t>();
        row.hasRateLimits = flags & 1;
        row.codexLimit = flags & 2;
        row.hasCounters = flags & 4;
        row.quotaCount = std::min<std::uint8_t>(in.get<std::uint8_t>(), 2);
        for (std::uint8_t q = 0; q < row.quotaCount; ++q)
            row.quotas[q] = getQuota(in);
        row.plan = in.optionalText();
        row.input = in.get<std::int64_t>();
        row.output = in.get<std::int64_t>();
        row.lastInput = in.number();
        row.lastOutput = in.number();
        rows.tokenCounts.push_back(std::move(row));
    }
    rows.ids = in.text();
    for (const UsageRow& row : rows.usage) {
        if (std::uint64_t(row.idOffset) + row.idLength > rows.ids.size())
            return false;
    }
    return in.ok;
}

void putSamples(Writer& out, const std::vector<QuotaSample>& samples) {
    out.put(std::uint64_t(samples.size()));
    for (const QuotaSample& sample : samples) {
        out.put(sample.at);
        putQuota(out, sample.quota);
    }
}

bool getSamples(Reader& in, std::vector<QuotaSample>& samples) {
    auto count = getCount(in, 32);
    if (!count)
        return false;
    for (std::uint64_t i = 0; i < *count && in.ok; ++i) {
        Time at = in.get<Time>();
        samples.push_back({at, getQuota(in)});
    }
    return in.ok;
}

void putQuotas(Writer& out, const std::vector<Quota>& quotas) {
    out.put(std::uint64_t(quotas.size()));
    for (const Quota& quota : quotas)
        putQuota(out, quota);
}

bool getQuotas(Reader& in, std::vector<Quota>& quotas) {
    auto count = getCount(in, 25);
    if (!count)
        return false;
    for (std::uint64_t i = 0; i < *count && in.ok; ++i)
        quotas.push_back(getQuota(in));
    return in.ok;
}

void putFile(Writer& out, const std::string& path, const CachedFile& file) {
    out.put(std::string_view(path));
    out.put(file.stamp);
    out.put(file.mark);
    out.put(std::uint8_t(file.fingerprint.has_value()));
    out.put(file.fingerprint.value_or(Fingerprint{}));

    const ClaudeFileState& claude = file.state.claude;
    out.putPlain(claude.picks);
    out.put(std::string_view(claude.ids));
    out.putPlain(claude.idEnds);

    const CodexFileState& codex = file.state.codex;
    out.put(std::uint8_t(codex.counted));
    out.put(codex.previousInput);
    out.put(codex.previousOutput);
    out.putPlain(codex.uses);
    putQuotas(out, codex.snapshot);
    out.put(codex.snapshotDate);
    out.put(codex.plan);
    putSamples(out, codex.samples);
    out.put(codex.newestSample);

    putRows(out, file.state.unfinished);
}

std::optional<std::pair<std::string, CachedFile>> getFile(Reader& in) {
    std::string path = in.text();
    CachedFile file;
    file.stamp = in.get<FileStamp>();
    file.mark = in.get<ReadMark>();
    bool fingerprinted = in.get<std::uint8_t>() != 0;
    auto fingerprint = in.get<Fingerprint>();
    if (fingerprinted)
        file.fingerprint = fingerprint;

    ClaudeFileState& claude = file.state.claude;
    if (!in.getPlain(claude.picks))
        return std::nullopt;
    claude.ids = in.text();
    if (!in.getPlain(claude.idEnds) ||
        (!claude.idEnds.empty() && claude.idEnds.size() != claude.picks.size()) ||
        !std::is_sorted(claude.idEnds.begin(), claude.idEnds.end()) ||
        (!claude.idEnds.empty() && claude.idEnds.back() > claude.ids.size()))
        return std::nullopt;

    CodexFileState& codex = file.state.codex;
    codex.counted = in.get<std::uint8_t>() != 0;
    codex.previousInput = in.get<std::int64_t>();
    codex.previousOutput = in.get<std::int64_t>();
    if (!in.getPlain(codex.uses) || !getQuotas(in, codex.snapshot))
        return std::nullopt;
    codex.snapshotDate = in.time();
    codex.plan = in.optionalText();
    if (!getSamples(in, codex.samples))
        return std::nullopt;
    codex.newestSample = in.time();

    if (!getRows(in, file.state.unfinished) || !in.ok)
        return std::nullopt;
    return std::pair{std::move(path), std::move(file)};
}

void putRecord(Writer& out, const RecordRef& record) {
    out.put(std::string_view(*record.key));
    out.put(*record.files);
    const ProviderUsage& usage = *record.usage;
    out.put(std::uint64_t(usage.entries.size()));
    for (const TokenEntry& entry : usage.entries) {
        out.put(std::string_view(entry.id));
        out.put(entry.date);
        for (std::int64_t n : {entry.input, entry.output, entry.cache})
            out.put(n);
    }
    out.putPlain(usage.sums);
    putQuotas(out, usage.quotas);
    out.put(usage.quotaDate);
    out.put(std::uint8_t(usage.source));
    out.put(usage.plan);
    putSamples(out, usage.samples);
}

std::optional<std::pair<std::string, SavedRecord>> getRecord(Reader& in) {
    std::string key = in.text();
    SavedRecord record;
    record.files = in.get<FilesDigest>();
    ProviderUsage& usage = record.usage;
    auto count = getCount(in, 40);
    if (!count)
        return std::nullopt;
    usage.entries.reserve(*count);
    for (std::uint64_t i = 0; i < *count && in.ok; ++i) {
        TokenEntry entry;
        entry.id = in.text();
        entry.date = in.get<Time>();
        entry.input = in.get<std::int64_t>();
        entry.output = in.get<std::int64_t>();
        entry.cache = in.get<std::int64_t>();
        usage.entries.push_back(std::move(entry));
    }
    if (!in.getPlain(usage.sums) || !getQuotas(in, usage.quotas))
        return std::nullopt;
    usage.quotaDate = in.time();
    auto source = in.get<std::uint8_t>();
    if (source > std::uint8_t(FiguresSource::CodexQueryFailed))
        return std::nullopt;
    usage.source = FiguresSource(source);
    usage.plan = in.optionalText();
    if (!getSamples(in, usage.samples))
        return std::nullopt;
    return std::pair{std::move(key), std::move(record)};
}

// Every section alike: the content's size in the frame header and its
// checksum at the end, at the fastest level (the cache is rewritten often).
ZSTD_CCtx* sectionCompressor(std::uint64_t size) {
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 1);
    ZSTD_CCtx_setPledgedSrcSize(context, size);
    return context;
}

// A section: its size before compression, then the zstd frame's size and
// the frame, which carries its content's checksum.
void putSection(Writer& out, const std::string& payload) {
    std::string compressed(ZSTD_compressBound(payload.size()), '\0');
    ZSTD_CCtx* context = sectionCompressor(payload.size());
    std::size_t size = ZSTD_compress2(context, compressed.data(), compressed.size(), payload.data(),
                                      payload.size());
    ZSTD_freeCCtx(context);
    compressed.resize(ZSTD_isError(size) ? 0 : size);
    out.put(std::uint64_t(payload.size()));
    out.put(std::string_view(compressed));
}

// A section's content, not zeroed first: the decompressor writes every byte.
struct Section {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::string_view view() const { return {data.get(), size}; }
};

// The section's content, or none when it is not whole.
std::optional<Section> getSection(std::uint64_t size, std::string_view frame) {
    // The frame states its own size; one that claims more than it could
    // hold is refused before anything is allocated.
    if (ZSTD_getFrameContentSize(frame.data(), frame.size()) != size ||
        size > 64 * frame.size() + 1024)
        return std::nullopt;
    Section section{std::unique_ptr<char[]>(new char[size]), size};
    std::size_t got = ZSTD_decompress(section.data.get(), size, frame.data(), frame.size());
    if (ZSTD_isError(got) || got != size)
        return std::nullopt;
    return section;
}

// The states' section without holding it whole (for 10 GB of logs it runs
// to tens of megabytes): each file is written to a small buffer, once to
// learn the section's size, which the frame must state, and once more into
// the compressor. False when the compressor failed.
bool putStatesSection(Writer& out, const FileRefs& files) {
    Writer one;
    std::uint64_t size = sizeof(std::uint64_t);
    for (const auto& [path, file] : files) {
        one.bytes.clear();
        putFile(one, *path, *file);
        size += one.bytes.size();
    }
    ZSTD_CCtx* context = sectionCompressor(size);
    std::string frame, chunk(ZSTD_CStreamOutSize(), '\0');
    bool ok = true;
    auto feed = [&](std::string_view bytes, ZSTD_EndDirective directive) {
        ZSTD_inBuffer input{bytes.data(), bytes.size(), 0};
        for (bool done = false; ok && !done;) {
            ZSTD_outBuffer output{chunk.data(), chunk.size(), 0};
            std::size_t left = ZSTD_compressStream2(context, &output, &input, directive);
            ok = !ZSTD_isError(left);
            frame.append(chunk.data(), output.pos);
            done = directive == ZSTD_e_end ? left == 0 : input.pos == input.size;
        }
    };
    one.bytes.clear();
    one.put(std::uint64_t(files.size()));
    feed(one.bytes, ZSTD_e_continue);
    for (const auto& [path, file] : files) {
        one.bytes.clear();
        putFile(one, *path, *file);
        feed(one.bytes, ZSTD_e_continue);
    }
    feed({}, ZSTD_e_end);
    ZSTD_freeCCtx(context);
    out.put(size);
    out.put(std::string_view(frame));
    return ok;
}

} // namespace

std::string encodeScanCache(const RecordRefs& records, const FileRefs& files) {
    Writer head;
    head.put(std::uint64_t(records.size()));
    for (const auto& record : records)
        putRecord(head, record);

    Writer out;
    out.bytes.append(kMagic, sizeof kMagic);
    out.put(kScanCacheVersion);
    putSection(out, head.bytes);
    if (!putStatesSection(out, files))
        return {};
    return out.bytes;
}

std::string encodeScanCache(const SavedRecords& records, const CachedFiles& files) {
    RecordRefs recordRefs;
    for (const auto& [key, record] : records)
        recordRefs.push_back({&key, &record.files, &record.usage});
    FileRefs fileRefs;
    for (const auto& [path, file] : files)
        fileRefs.emplace_back(&path, &file);
    return encodeScanCache(recordRefs, fileRefs);
}

namespace {

constexpr std::size_t kPreambleBytes =
    sizeof kMagic + sizeof(std::uint32_t) + 2 * sizeof(std::uint64_t);

// The magic, the version, and the head's size and frame length; none when
// the cache is not ours or of another version.
std::optional<std::pair<std::uint64_t, std::uint64_t>> preamble(std::string_view bytes) {
    if (bytes.size() < kPreambleBytes ||
        bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic))
        return std::nullopt;
    Reader in(bytes.substr(sizeof kMagic));
    auto version = in.get<std::uint32_t>();
    auto headSize = in.get<std::uint64_t>();
    auto frameLength = in.get<std::uint64_t>();
    if (version != kScanCacheVersion)
        return std::nullopt;
    return std::pair{headSize, frameLength};
}

bool decodeRecords(std::uint64_t size, std::string_view frame, SavedRecords& records) {
    auto head = getSection(size, frame);
    if (!head)
        return false;
    Reader in(head->view());
    auto count = in.get<std::uint64_t>();
    for (std::uint64_t i = 0; i < count && in.ok; ++i) {
        auto record = getRecord(in);
        if (!record)
            return false;
        records.insert(std::move(*record));
    }
    return in.done();
}

bool readAt(int fd, std::uint64_t offset, std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(offset + done));
        if (got <= 0)
            return false;
        done += std::size_t(got);
    }
    return true;
}

} // namespace

std::optional<ScanCacheFile> decodeScanCache(std::string_view bytes) {
    auto head = preamble(bytes);
    if (!head || head->second > bytes.size() - kPreambleBytes)
        return std::nullopt;
    Reader in(bytes.substr(kPreambleBytes + head->second));
    ScanCacheFile cache;
    cache.statesSize = in.get<std::uint64_t>();
    cache.statesFrame = in.text();
    if (!in.done() ||
        !decodeRecords(head->first, bytes.substr(kPreambleBytes, head->second), cache.records))
        return std::nullopt;
    return cache;
}

std::optional<CachedFiles> decodeScanCacheStates(const ScanCacheFile& cache) {
    std::string fromFile;
    std::string_view frame = cache.statesFrame;
    if (cache.file) {
        struct stat status;
        if (::fstat(cache.file.get(), &status) != 0 ||
            std::uint64_t(status.st_size) < cache.statesFrameOffset)
            return std::nullopt;
        fromFile.resize(std::uint64_t(status.st_size) - cache.statesFrameOffset);
        if (!readAt(cache.file.get(), cache.statesFrameOffset, fromFile))
            return std::nullopt;
        frame = fromFile;
    }
    auto payload = getSection(cache.statesSize, frame);
    if (!payload)
        return std::nullopt;
    Reader in(payload->view());
    auto count = in.get<std::uint64_t>();
    CachedFiles files;
    for (std::uint64_t i = 0; i < count && in.ok; ++i) {
        auto file = getFile(in);
        if (!file)
            return std::nullopt;
        files.insert(std::move(*file));
    }
    if (!in.done())
        return std::nullopt;
    return files;
}

std::string scanCachePath(const Environment& env) {
    std::string base = env.get("XDG_CACHE_HOME").value_or("");
    if (base.empty() || base[0] != '/')
        base = joinPath(homeDirectory(env), ".cache");
    return joinPath(joinPath(base, "Brimlow"), "scan-cache");
}

Result<void> saveScanCache(const std::string& path, const RecordRefs& records,
                           const FileRefs& files) {
    TRY(createDirectories(directoryOf(path)));
    std::string lockPath = path + ".lock";
    UniqueFd lock(::open(lockPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    if (!lock)
        return Error::fromErrno(errno, lockPath);
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return Error::fromErrno(errno, lockPath);
    std::string bytes = encodeScanCache(records, files);
    if (bytes.empty())
        return Error{ErrorKind::Unusable, path + ": the cache could not be compressed"};
    return writeFileAtomic(path, bytes, Durability::Unsynced);
}

std::optional<ScanCacheFile> loadScanCache(const std::string& path) {
    // Only the records are read now: a warm start whose files are all
    // unchanged needs nothing else.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::uint64_t fileSize = std::uint64_t(status.st_size);
    std::string bytes(kPreambleBytes, '\0');
    if (fileSize < kPreambleBytes || !readAt(fd.get(), 0, bytes))
        return std::nullopt;
    auto head = preamble(bytes);
    constexpr std::uint64_t kStatesPreamble = 2 * sizeof(std::uint64_t);
    if (!head || head->second > fileSize - kPreambleBytes - kStatesPreamble)
        return std::nullopt;
    std::string frame(head->second + kStatesPreamble, '\0');
    if (!readAt(fd.get(), kPreambleBytes, frame))
        return std::nullopt;
    ScanCacheFile cache;
    Reader states(std::string_view(frame).substr(head->second));
    cache.statesSize = states.get<std::uint64_t>();
    auto statesLength = states.get<std::uint64_t>();
    cache.statesFrameOffset = kPreambleBytes + frame.size();
    if (statesLength != fileSize - cache.statesFrameOffset ||
        !decodeRecords(head->first, std::string_view(frame).substr(0, head->second), cache.records))
        return std::nullopt;
    cache.file = std::move(fd);
    return cache;
}

} // namespace brimlow
