// One refresh at a time, off the main thread: the logs are read on the
// cycle's own worker, Codex is asked live, and the figures come back on the
// main thread in two steps, so the local ones show while the query runs.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "codex/rate_limits.h"
#include "model/serial_queue.h"
#include "records/records.h"

#include <QObject>
#include <functional>
#include <memory>

namespace brimlow {

// The live Codex query, run on the worker.
using CodexQuery = std::function<Result<CodexLimits>(const Environment&)>;

// A provider's figures as one cycle built them; shared, never copied, since
// the records can run into the millions.
using Figures = std::shared_ptr<const ProviderUsage>;

class RefreshCycle final : public QObject {
    Q_OBJECT

public:
    RefreshCycle(std::shared_ptr<const Environment> env, std::shared_ptr<const Clock> clock,
                 CodexQuery fetchCodexQuota, QObject* parent = nullptr);
    ~RefreshCycle() override;

    // Starts a cycle and says so; does nothing while one runs.
    bool start();
    bool running() const { return m_running; }

signals:
    // The logs' figures, with Claude's windows from the status line.
    void localRead(Figures codex, Figures claude);
    // The same with the live Codex answer merged; the cycle has ended.
    void finished(Figures codex, Figures claude);

private:
    struct Worker;
    struct Mailbox;

    // Runs what the worker posted; queued by name from the worker thread.
    Q_INVOKABLE void takeMail();

    std::shared_ptr<Worker> m_worker;
    std::shared_ptr<Mailbox> m_mailbox;
    SerialQueue m_queue;
    bool m_running = false;
};

} // namespace brimlow
