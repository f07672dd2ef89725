#include "model/meter_model.h"

#include "claude/quota_snapshot.h"
#include "model/refresh_logic.h"
#include "usage/local_usage_reader.h"

#include <QCoreApplication>
#include <QPointer>
#include <QVariantList>
#include <deque>
#include <mutex>
#include <utility>

namespace brimlow {

namespace {

constexpr const char* kNotifyResetKey = "notifyReset";
constexpr int kRefreshIntervalMs = 60 * 1000;

QDateTime toDateTime(Time t) {
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

QVariantMap viewOf(const ProviderUsage& usage) {
    QVariantList quotas;
    for (const auto& quota : usage.quotas) {
        quotas.append(QVariantMap{
            {"percent", quota.percent},
            {"minutes", qint64(quota.minutes)},
            {"label", QString::fromStdString(quota.label())},
            {"reset", quota.reset ? QVariant(toDateTime(*quota.reset)) : QVariant()},
        });
    }
    return {
        {"quotas", quotas},
        {"quotaDate", usage.quotaDate ? QVariant(toDateTime(*usage.quotaDate)) : QVariant()},
        {"status", QString::fromStdString(usage.status)},
        {"plan", usage.plan ? QVariant(QString::fromStdString(*usage.plan)) : QVariant()},
        {"entries", qint64(usage.entries.size())},
    };
}

ProviderUsage emptyUsage() {
    ProviderUsage usage;
    usage.status = "기록 없음";
    return usage;
}

} // namespace

// Steps the worker hands to the main thread, run there in the order they
// were posted, and only while the model exists. The steps travel under our
// own lock; Qt's queued call merely wakes the model and carries no data, so
// the hand-over is one that thread checkers can follow too (Qt's own locks
// are invisible to them unless Qt itself was built with the checker).
struct MeterModel::Mailbox {
    void post(std::function<void(MeterModel&)> step) {
        std::lock_guard lock(mutex);
        if (!model)
            return;
        steps.push_back(std::move(step));
        // Held under the lock: the model can't be destroyed meanwhile.
        QMetaObject::invokeMethod(model, "takeMail", Qt::QueuedConnection);
    }
    std::deque<std::function<void(MeterModel&)>> take() {
        std::lock_guard lock(mutex);
        return std::exchange(steps, {});
    }
    void close() {
        std::lock_guard lock(mutex);
        model = nullptr;
        steps.clear();
    }

    std::mutex mutex;
    MeterModel* model = nullptr;
    std::deque<std::function<void(MeterModel&)>> steps;
};

// What a refresh cycle uses off the main thread. Shared with the running
// cycle, so the cycle can finish even if the model goes away meanwhile.
struct MeterModel::Worker {
    Worker(const MeterServices& services)
        : env(services.env), clock(services.clock), fetchCodexQuota(services.fetchCodexQuota) {}

    std::shared_ptr<const Environment> env;
    std::shared_ptr<const Clock> clock;
    std::function<Result<nlohmann::json>(const Environment&)> fetchCodexQuota;
    LocalUsageReader reader; // its cache persists from cycle to cycle
};

MeterModel::MeterModel(MeterServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services)),
      m_notifier(m_services.notifications, m_services.clock, m_services.timeOfDay),
      m_worker(std::make_shared<Worker>(m_services)), m_mailbox(std::make_shared<Mailbox>()),
      m_codex(emptyUsage()), m_claude(emptyUsage()) {
    m_loginEnabled = m_services.login->status() == LoginItemStatus::Enabled;
    m_claudeConnected = m_services.claudeBridgeInstalled();
    m_notifyReset = m_services.settings->readBool(kNotifyResetKey).value_or(true);
    m_mailbox->model = this;
}

MeterModel::~MeterModel() {
    m_mailbox->close();
}

void MeterModel::takeMail() {
    for (auto& step : m_mailbox->take())
        step(*this);
}

void MeterModel::start() {
    if (m_notifyReset && !m_notifier.available())
        setNotifyError(kNotifyWarning);
    QPointer<MeterModel> self(this);
    refresh();
    m_timer.setInterval(kRefreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &MeterModel::refresh);
    m_timer.start();
    if (m_services.wake) {
        m_services.wake->setWakeHandler([self] {
            if (self)
                self->refresh();
        });
    }
}

void MeterModel::refresh() {
    if (m_refreshing)
        return;
    setRefreshing(true);
    m_queue.post([worker = m_worker, mailbox = m_mailbox] {
        LogRoots roots = logRoots(*worker->env);
        ProviderUsage codex = worker->reader.codex(roots.codexSessions);
        ProviderUsage claude = worker->reader.claude(roots.claudeProjects);
        applyClaudeQuota(claude, *worker->env);
        // The first publication gets copies: the cycle goes on with its own.
        mailbox->post([codex, claude](MeterModel& model) mutable {
            model.publishLocal(std::move(codex), std::move(claude));
        });

        auto answer = worker->fetchCodexQuota(*worker->env);
        mergeCodexAnswer(codex, answer, worker->clock->now());
        mailbox->post(
            [codex = std::move(codex), claude = std::move(claude)](MeterModel& model) mutable {
                model.publishFinal(std::move(codex), std::move(claude));
            });
    });
}

void MeterModel::publishLocal(ProviderUsage codex, ProviderUsage claude) {
    setCodex(std::move(codex));
    setClaude(std::move(claude));
    announceUpdate();
}

void MeterModel::publishFinal(ProviderUsage codex, ProviderUsage claude) {
    setCodex(std::move(codex));
    setClaude(std::move(claude));
    m_updated = toDateTime(m_services.clock->now());
    emit updatedChanged();
    setRefreshing(false);
    announceUpdate();
    syncResetAlerts();
}

void MeterModel::announceUpdate() {
    emit titleChanged();
    if (onUpdate)
        onUpdate();
}

void MeterModel::syncResetAlerts() {
    m_notifier.sync(m_notifyReset ? Alerts::On : Alerts::Off,
                    {{"Codex", m_codex.quotas}, {"Claude", m_claude.quotas}});
    setNotifyError(m_notifyReset && !m_notifier.available() ? kNotifyWarning : QString());
}

void MeterModel::setNotify(bool on) {
    m_notifyReset = on;
    emit notifyResetChanged();
    m_services.settings->writeBool(kNotifyResetKey, on);
    syncResetAlerts();
}

void MeterModel::testNotify() {
    if (m_notifier.available())
        m_notifier.test();
    else
        setNotifyError(kNotifyWarning);
}

void MeterModel::setLogin(bool on) {
    auto& login = *m_services.login;
    auto changed = on ? login.registerItem() : login.unregisterItem();
    if (!changed.ok()) {
        // The switch shows the unchanged state again.
        emit loginEnabledChanged();
        setLoginError(
            QString::fromStdString("로그인 실행 설정 실패: " + changed.error().message()));
        return;
    }
    m_loginEnabled = login.status() == LoginItemStatus::Enabled;
    emit loginEnabledChanged();
    setLoginError(QString());
}

void MeterModel::connectClaude() {
    auto connected = m_services.connectClaude();
    if (!connected.ok()) {
        setLoginError(QString::fromStdString(connected.error().message()));
        return;
    }
    m_claudeConnected = true;
    emit claudeConnectedChanged();
    refresh();
}

QVariantMap MeterModel::totals(const QString& provider) const {
    const ProviderUsage& usage = provider == QLatin1String("Codex") ? m_codex : m_claude;
    TokenTotals sums = usage.totals(since());
    return {{"input", qint64(sums.input)},
            {"output", qint64(sums.output)},
            {"cache", qint64(sums.cache)},
            {"total", qint64(sums.sum())}};
}

QVariantMap MeterModel::codexView() const {
    return viewOf(m_codex);
}
QVariantMap MeterModel::claudeView() const {
    return viewOf(m_claude);
}

QString MeterModel::title() const {
    return QString::fromStdString(meterTitle(m_codex, m_claude, m_services.clock->now()));
}

Time MeterModel::since() const {
    return periodStart(m_period, m_services.clock->now());
}

void MeterModel::setPeriod(int period) {
    m_period = period;
    emit periodChanged();
}

void MeterModel::setCodex(ProviderUsage usage) {
    m_codex = std::move(usage);
    emit codexChanged();
}

void MeterModel::setClaude(ProviderUsage usage) {
    m_claude = std::move(usage);
    emit claudeChanged();
}

void MeterModel::setRefreshing(bool on) {
    m_refreshing = on;
    emit refreshingChanged();
}

void MeterModel::setNotifyError(const QString& text) {
    m_notifyError = text;
    emit notifyErrorChanged();
}

void MeterModel::setLoginError(const QString& text) {
    m_loginError = text;
    emit loginErrorChanged();
}

} // namespace brimlow
