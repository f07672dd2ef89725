// The reader's cache file from the fuzzer: the input as it is, and the
// input as the payload of a frame that passes the checksum, so that the
// parsing behind the checksum is reached too. Whatever decodes must encode
// and decode to the same files again.
#include "usage/scan_cache.h"

#include "fuzz_support.h"

#include <cstring>
#include <zstd.h>

namespace brimlow {
namespace {

using fuzz::require;

// A cache file of this version around `payload`.
std::string wrap(std::string_view payload) {
    std::string frame(ZSTD_compressBound(payload.size()), '\0');
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    std::size_t size =
        ZSTD_compress2(context, frame.data(), frame.size(), payload.data(), payload.size());
    ZSTD_freeCCtx(context);
    require(!ZSTD_isError(size), "compressing the payload");
    frame.resize(size);
    std::string bytes = "BRMSCAN\n";
    std::uint32_t version = kScanCacheVersion;
    std::uint64_t length = payload.size();
    bytes.append(reinterpret_cast<const char*>(&version), sizeof version);
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    return bytes + frame;
}

void check(std::string_view bytes) {
    auto files = decodeScanCache(bytes);
    if (!files)
        return;
    auto again = decodeScanCache(encodeScanCache(*files));
    require(again && *again == *files, "a decoded cache encodes to itself");
}

} // namespace
} // namespace brimlow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    brimlow::check(input);
    brimlow::check(brimlow::wrap(input));
    return 0;
}
