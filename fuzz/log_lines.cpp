// Log text from the fuzzer, read every way the program reads logs: as one
// line through the reducer, as a whole text through the line splitter at
// several chunk sizes, as files through the reader with its directory walk
// for both providers, and as compressed files (whole, cut short, and the raw
// input posing as one) through a file reader.
#include "fuzz_support.h"
#include "usage/line_reducer.h"
#include "usage/local_usage_reader.h"
#include "usage/log_file.h"
#include "usage/log_readers.h"

#include <cstring>
#include <memory>
#include <simdjson.h>
#include <zstd.h>

namespace brimlow {
namespace {

using fuzz::require;

void checkRows(const LogRows& rows) {
    for (const auto& row : rows.usage) {
        require(std::size_t(row.idOffset) + row.idLength <= rows.ids.size(), "id within ids");
        require(row.input >= 0 && row.output >= 0 && row.cacheRead >= 0 && row.cacheCreation >= 0,
                "usage counts are not negative");
    }
    for (const auto& row : rows.tokenCounts) {
        require(row.quotaCount <= 2, "at most two windows");
        require(row.input >= 0 && row.output >= 0, "token counts are not negative");
        for (const auto& quota : row.quotaList())
            require(quota.percent >= 0 && quota.percent <= 100, "percent within 0..100");
    }
}

void checkUsage(const ProviderUsage& usage) {
    for (const auto& entry : usage.entries)
        require(entry.input >= 0 && entry.output >= 0 && entry.cache >= 0,
                "entries are not negative");
    TokenTotals totals = usage.totals(distantPast());
    require(totals.input >= 0 && totals.output >= 0 && totals.cache >= 0 && totals.sum() >= 0,
            "totals are not negative");
    for (const auto& quota : usage.quotas)
        require(quota.percent >= 0 && quota.percent <= 100, "percent within 0..100");
}

// The text as the reducer's one line, followed by padding of the given value:
// whatever the padding holds, the verdict and the rows must be the same.
LineVerdict reduceOneLine(LineReducer& reducer, std::string_view text, char padding,
                          LogRows& rows) {
    // Exactly the promised padding and no more, so that a read beyond it
    // lands outside the allocation.
    std::unique_ptr<char[]> line(new char[text.size() + kLinePadding]);
    std::memcpy(line.get(), text.data(), text.size());
    std::memset(line.get() + text.size(), padding, kLinePadding);
    return reducer.reduce(line.get(), text.size(), rows);
}

std::string compressed(std::string_view text) {
    static ZSTD_CCtx* const context = ZSTD_createCCtx();
    std::string out(ZSTD_compressBound(text.size()), '\0');
    std::size_t size =
        ZSTD_compressCCtx(context, out.data(), out.size(), text.data(), text.size(), 1);
    require(!ZSTD_isError(size), "compression succeeds");
    out.resize(size);
    return out;
}

// The reader over the files in `directory`, for both providers, with a fresh
// cache: the same file names are rewritten from input to input, possibly
// within one tick of the file system's clock. A small chunk makes long lines
// grow the buffer.
std::pair<ProviderUsage, ProviderUsage> readDirectory(const std::string& directory) {
    LocalUsageReader reader(ReaderOptions{.threads = 1, .chunkBytes = 256});
    auto codex = reader.codex(directory);
    auto claude = reader.claude(directory);
    checkUsage(codex);
    checkUsage(claude);
    return {std::move(codex), std::move(claude)};
}

// The records the reader must give for `rows` read from each of `paths`.
std::pair<ProviderUsage, ProviderUsage> expectedUsage(const std::vector<std::string>& paths,
                                                      const std::optional<LogRows>& rows) {
    FileState state;
    if (rows) {
        addClaudeRows(state.claude, *rows, rows->usage.size(), IdText::Kept);
        addCodexRows(state.codex, rows->tokenCounts);
    }
    std::vector<ScannedFile> files;
    for (const auto& path : paths) {
        if (rows)
            files.push_back({path, &state});
    }
    return {codexUsage(files, std::nullopt), claudeUsage(files, std::nullopt)};
}

void fuzzOne(std::string_view input) {
    // Reused from input to input, as the program reuses them from file to
    // file. Allocating their buffers afresh each time would cost more than
    // the rest of the run.
    static LineReducer reducer;
    static LogFileReader wholeReader;
    static LogFileReader pieceReaders[] = {LogFileReader(1), LogFileReader(7), LogFileReader(64)};
    static LogFileReader fileReader(256);
    bool utf8 = simdjson::validate_utf8(input.data(), input.size());

    LogRows zeroPadded, quotePadded;
    LineVerdict verdict = reduceOneLine(reducer, input, '\0', zeroPadded);
    require(reduceOneLine(reducer, input, '"', quotePadded) == verdict && quotePadded == zeroPadded,
            "padding does not matter");
    require((verdict == LineVerdict::NotUtf8) == !utf8, "a line is rejected for UTF-8 alone");
    require(zeroPadded.usage.size() + zeroPadded.tokenCounts.size() <= 1, "one row per line");
    checkRows(zeroPadded);

    std::optional<LogRows> rows = wholeReader.readText(input);
    require(rows.has_value() == utf8, "a text is passed over exactly when it is not UTF-8");
    for (auto& reader : pieceReaders)
        require(reader.readText(input) == rows, "the split does not depend on the chunk size");
    if (rows) {
        checkRows(*rows);
        bool oneLine =
            !input.empty() && input.find('\n') == std::string_view::npos && input.back() != '\r';
        if (oneLine)
            require(*rows == zeroPadded, "a text of one line is that line");
    }
    require(expectedUsage({""}, rows).first.entries.size() <= (rows ? rows->tokenCounts.size() : 0),
            "at most one codex entry per row");

    // The text as two logs, read by the reader with its directory walk: the
    // records must be those of the rows, merged across the files.
    const std::string& scratch = fuzz::scratchDirectory();
    const std::string logs = scratch + "/logs";
    fuzz::writeFile(logs + "/a.jsonl", input);
    fuzz::writeFile(logs + "/b.jsonl", input);
    require(readDirectory(logs) == expectedUsage({logs + "/a.jsonl", logs + "/b.jsonl"}, rows),
            "the files read as the text");

    // Compressed logs, through one file reader as the reader's threads use
    // theirs: a compressed log cut short (passed over), the raw input posing
    // as a compressed log (anything but a crash), then the text compressed in
    // two frames split where the input says, across whose boundary it must
    // read as the text. No state may carry over from one file to the next.
    // Outside the walk, which would make a decompressor per scan.
    const std::string whole = scratch + "/whole.jsonl.zst", cut = scratch + "/cut.jsonl.zst",
                      raw = scratch + "/raw.jsonl.zst";
    std::size_t split = input.empty() ? 0 : std::uint8_t(input[0]) % (input.size() + 1);
    std::string frames = compressed(input.substr(0, split)) + compressed(input.substr(split));
    fuzz::writeFile(whole, frames);
    frames.pop_back();
    fuzz::writeFile(cut, frames);
    fuzz::writeFile(raw, input);
    require(!fileReader.read(cut, Compression::Zstd), "a compressed log cut short is passed over");
    if (auto rawRows = fileReader.read(raw, Compression::Zstd))
        checkRows(*rawRows);
    require(fileReader.read(whole, Compression::Zstd) == rows,
            "the compressed log reads as the text");
}

} // namespace
} // namespace brimlow

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brimlow::fuzzOne(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
