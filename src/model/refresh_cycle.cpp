#include "model/refresh_cycle.h"

#include "model/refresh_logic.h"
#include "usage/local_usage_reader.h"

#include <deque>
#include <mutex>
#include <utility>

namespace brimlow {

// Steps the worker hands to the main thread, run there in the order they
// were posted, and only while the cycle exists. The steps travel under our
// own lock; Qt's queued call merely wakes the cycle and carries no data, so
// the hand-over is one that thread checkers can follow too (Qt's own locks
// are invisible to them unless Qt itself was built with the checker).
struct RefreshCycle::Mailbox {
    void post(std::function<void(RefreshCycle&)> step) {
        std::lock_guard lock(mutex);
        if (!cycle)
            return;
        steps.push_back(std::move(step));
        // Held under the lock: the cycle can't be destroyed meanwhile.
        QMetaObject::invokeMethod(cycle, "takeMail", Qt::QueuedConnection);
    }
    std::deque<std::function<void(RefreshCycle&)>> take() {
        std::lock_guard lock(mutex);
        return std::exchange(steps, {});
    }
    void close() {
        std::lock_guard lock(mutex);
        cycle = nullptr;
        steps.clear();
    }

    std::mutex mutex;
    RefreshCycle* cycle = nullptr;
    std::deque<std::function<void(RefreshCycle&)>> steps;
};

// What a cycle uses off the main thread. Shared with the running cycle, so
// it can finish even if the RefreshCycle goes away meanwhile.
struct RefreshCycle::Worker {
    Worker(std::shared_ptr<const Environment> e, std::shared_ptr<const Clock> c, CodexQuery query)
        : env(std::move(e)), clock(std::move(c)), fetchCodexQuota(std::move(query)) {}

    std::shared_ptr<const Environment> env;
    std::shared_ptr<const Clock> clock;
    CodexQuery fetchCodexQuota;
    // Its cache persists from cycle to cycle.
    LocalUsageReader reader{ReaderOptions{.clock = clock.get()}};
    // And from process to process, on disk: restored before the first
    // cycle, saved after it and then at most every ten minutes.
    std::optional<Time> savedAt;
    // Codex's live answers of the last hours: samples the logs don't have.
    std::vector<QuotaSample> liveSamples;
};

RefreshCycle::RefreshCycle(std::shared_ptr<const Environment> env,
                           std::shared_ptr<const Clock> clock, CodexQuery fetchCodexQuota,
                           QObject* parent)
    : QObject(parent), m_worker(std::make_shared<Worker>(std::move(env), std::move(clock),
                                                         std::move(fetchCodexQuota))),
      m_mailbox(std::make_shared<Mailbox>()) {
    m_mailbox->cycle = this;
}

RefreshCycle::~RefreshCycle() {
    m_mailbox->close();
}

void RefreshCycle::takeMail() {
    for (auto& step : m_mailbox->take())
        step(*this);
}

bool RefreshCycle::start() {
    if (m_running)
        return false;
    m_running = true;
    m_queue.post([worker = m_worker, mailbox = m_mailbox] {
        if (!worker->savedAt)
            worker->reader.restoreFrom(scanCachePath(*worker->env));
        auto [codex, claude] = readLocalFigures(worker->reader, *worker->env, worker->clock->now());
        // Claude's figures are final now; Codex's go on with a copy.
        auto claudeFigures = std::make_shared<const ProviderUsage>(std::move(claude));
        mailbox->post([codex = std::make_shared<const ProviderUsage>(codex), claudeFigures](
                          RefreshCycle& cycle) { emit cycle.localRead(codex, claudeFigures); });

        Time now = worker->clock->now();
        mergeCodexAnswer(codex, worker->fetchCodexQuota(*worker->env), now);
        addLiveSamples(codex, worker->liveSamples, now);
        mailbox->post([codex = std::make_shared<const ProviderUsage>(std::move(codex)),
                       claudeFigures](RefreshCycle& cycle) {
            cycle.m_running = false;
            emit cycle.finished(codex, claudeFigures);
        });
        // After the figures went out: the save takes a moment.
        if (!worker->savedAt || now - *worker->savedAt >= std::chrono::minutes(10) ||
            now < *worker->savedAt) {
            (void)worker->reader.saveTo(scanCachePath(*worker->env));
            worker->savedAt = now;
        }
    });
    return true;
}

} // namespace brimlow
