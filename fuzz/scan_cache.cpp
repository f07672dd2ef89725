// The reader's cache file from the fuzzer: the input as it is, and the
// input as the records or the states of a cache whose checksums pass, so that
// the parsing behind them is reached too. Whatever decodes must encode and
// decode to the same records and files again.
#include "usage/scan_cache.h"

#include "fuzz_support.h"

#include <cstring>
#include <zstd.h>

namespace brimlow {
namespace {

using fuzz::require;

std::string frame(std::string_view payload) {
    std::string bytes(ZSTD_compressBound(payload.size()), '\0');
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    std::size_t size =
        ZSTD_compress2(context, bytes.data(), bytes.size(), payload.data(), payload.size());
    ZSTD_freeCCtx(context);
    require(!ZSTD_isError(size), "compressing a section");
    bytes.resize(size);
    return bytes;
}

template <typename T>
void append(std::string& bytes, T value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void appendSection(std::string& bytes, std::string_view payload) {
    std::string compressed = frame(payload);
    append(bytes, std::uint64_t(payload.size()));
    append(bytes, std::uint64_t(compressed.size()));
    bytes += compressed;
}

// A cache file of this version with `payload` as the records or the states,
// the other part empty.
std::string wrap(std::string_view payload, bool asRecords) {
    const std::string none(8, '\0'); // a count of 0
    std::string bytes = "BRMSCAN\n";
    append(bytes, kScanCacheVersion);
    appendSection(bytes, asRecords ? payload : none);
    appendSection(bytes, asRecords ? none : payload);
    return bytes;
}

void check(std::string_view bytes) {
    auto cache = decodeScanCache(bytes);
    if (!cache)
        return;
    auto states = decodeScanCacheStates(*cache);
    if (!states)
        return;
    auto again = decodeScanCache(encodeScanCache(cache->records, *states));
    require(again && again->records == cache->records, "decoded records encode to themselves");
    require(decodeScanCacheStates(*again) == states, "decoded states encode to themselves");
}

} // namespace
} // namespace brimlow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    brimlow::check(input);
    brimlow::check(brimlow::wrap(input, false));
    brimlow::check(brimlow::wrap(input, true));
    return 0;
}
