#include "claude/quota_history.h"

#include "base/fd_io.h"
#include "base/files.h"
#include "base/unique_fd.h"
#include "records/pace.h"

#include <algorithm>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brimlow {

using nlohmann::json;

namespace {

std::string historyLine(Time at, const Quota& quota) {
    json line = {{"at", toUnixSeconds(at)},
                 {"minutes", quota.minutes},
                 {"percent", quota.percent},
                 {"resetsAt", quota.reset ? json(toUnixSeconds(*quota.reset)) : json()}};
    return line.dump() + "\n";
}

std::optional<QuotaSample> parseLine(std::string_view text) {
    json line = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!line.is_object())
        return std::nullopt;
    auto number = [&](const char* key) -> std::optional<double> {
        auto found = line.find(key);
        if (found == line.end() || !found->is_number())
            return std::nullopt;
        return found->get<double>();
    };
    auto at = number("at");
    auto percent = number("percent");
    auto minutes = line.find("minutes");
    if (!at || !percent || minutes == line.end() || !minutes->is_number_integer())
        return std::nullopt;
    auto when = fromUnixSeconds(*at);
    if (!when)
        return std::nullopt;
    QuotaSample sample{*when, {*percent, minutes->get<std::int64_t>(), std::nullopt}};
    if (auto reset = number("resetsAt"))
        sample.quota.reset = fromUnixSeconds(*reset);
    return sample;
}

// Opens the history and takes its lock. A trim replaces the file, so a
// lock won on the file it replaced is a lock on nothing: then again.
Result<UniqueFd> openLocked(const std::string& path, int flags) {
    for (int attempt = 0;; ++attempt) {
        UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC, 0666));
        if (!fd)
            return Error::fromErrno(errno, path);
        if (::flock(fd.get(), LOCK_EX) != 0)
            return Error::fromErrno(errno, path);
        struct stat info {};
        if (::fstat(fd.get(), &info) != 0)
            return Error::fromErrno(errno, path);
        if (info.st_nlink > 0 || attempt == 3)
            return fd;
    }
}

} // namespace

std::string quotaHistoryLines(const ProviderUsage& before, const std::vector<Quota>& now, Time at) {
    std::string lines;
    for (const auto& quota : now) {
        const Quota* earlier = nullptr;
        for (const auto& old : before.quotas)
            earlier = old.minutes == quota.minutes ? &old : earlier;
        if (earlier && earlier->percent == quota.percent && earlier->reset == quota.reset)
            continue;
        if (earlier && before.quotaDate && *before.quotaDate < at)
            lines += historyLine(*before.quotaDate, *earlier);
        lines += historyLine(at, quota);
    }
    return lines;
}

Result<void> appendQuotaHistory(const std::string& path, std::string_view lines) {
    if (lines.empty())
        return {};
    auto fd = openLocked(path, O_WRONLY | O_APPEND | O_CREAT);
    if (!fd.ok())
        return fd.error();
    struct stat before {};
    if (::fstat(fd.value().get(), &before) != 0)
        return Error::fromErrno(errno, path);
    auto written = writeAll(fd.value().get(), lines);
    // A full disk may take part of a line: the file goes back to whole lines.
    if (!written.ok())
        (void)::ftruncate(fd.value().get(), before.st_size);
    return written;
}

std::vector<QuotaSample> readQuotaHistory(const std::string& path, Time now) {
    auto text = readWholeFile(path);
    if (!text.ok())
        return {};
    std::string_view all = text.value();

    // Appended in time order: from the end back to the first reading older
    // than the samples' horizon, so a refresh parses only the last hours.
    std::vector<QuotaSample> samples;
    for (std::size_t end = all.size(); end > 0;) {
        std::size_t start = all.rfind('\n', end - 1);
        start = start == std::string_view::npos ? 0 : start + 1;
        auto sample = parseLine(all.substr(start, end - start));
        end = start == 0 ? 0 : start - 1;
        if (!sample)
            continue;
        if (sample->at < now - kSampleHorizon)
            break;
        samples.push_back(*sample);
    }
    std::reverse(samples.begin(), samples.end());

    // Trimmed once the oldest line is a day past the eight days kept, so
    // that the rewrite comes once a day, not with every refresh.
    auto first = parseLine(all.substr(0, all.find('\n')));
    if (first && first->at >= now - kQuotaHistoryDays - std::chrono::days(1))
        return samples;
    std::string kept;
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = std::min(all.find('\n', start), all.size());
        std::string_view line = all.substr(start, end - start);
        start = end + 1;
        if (auto sample = parseLine(line); sample && sample->at >= now - kQuotaHistoryDays)
            kept.append(line).append("\n");
    }
    // Appends that came after the read above are kept: the lock holds them
    // off, and what they wrote is read again under it.
    auto fd = openLocked(path, O_RDONLY);
    auto again = readWholeFile(path);
    if (fd.ok() && again.ok() && again.value().starts_with(all))
        (void)writeFileAtomic(path, kept + again.value().substr(all.size()), Durability::Unsynced);
    return samples;
}

} // namespace brimlow
