#include "model/meter_model.h"

#include "records/pace.h"
#include "texts/texts.h"

#include <QPointer>
#include <QVariantList>
#include <utility>

namespace brimlow {

namespace {

constexpr const char* kNotifyResetKey = "notifyReset";

QDateTime toDateTime(Time t) {
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// "runsOut": when a current window runs out at the last hour's pace, if that
// comes before its reset.
QVariantMap viewOf(const ProviderUsage& usage, Time now) {
    QVariantList quotas;
    for (const auto& quota : usage.quotas) {
        auto pace = windowPace(quota, usage.samples, now);
        quotas.append(QVariantMap{
            {"percent", quota.percent},
            {"minutes", qint64(quota.minutes)},
            {"label", toQString(windowLabel(quota.minutes))},
            {"reset", quota.reset ? QVariant(toDateTime(*quota.reset)) : QVariant()},
            {"runsOut", pace && pace->runsOutBeforeReset
                            ? QVariant(toDateTime(*pace->projectedFullAt))
                            : QVariant()},
        });
    }
    return {
        {"quotas", quotas},
        {"quotaDate", usage.quotaDate ? QVariant(toDateTime(*usage.quotaDate)) : QVariant()},
        {"status", toQString(sourceText(usage))},
        {"plan", usage.plan ? QVariant(toQString(*usage.plan)) : QVariant()},
        {"entries", qint64(usage.recordCount())},
    };
}

QVariantMap totalsView(const ProviderUsage& usage, Time since) {
    TokenTotals sums = usage.totals(since);
    return {{"input", qint64(sums.input)},
            {"output", qint64(sums.output)},
            {"cache", qint64(sums.cache)},
            {"total", qint64(sums.sum())}};
}

} // namespace

MeterModel::MeterModel(MeterServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services)),
      m_notifier(m_services.notifications, m_services.clock, alertWording(m_services.timeOfDay)),
      m_cycle(m_services.env, m_services.clock, m_services.fetchCodexQuota),
      m_codex(std::make_shared<const ProviderUsage>()),
      m_claude(std::make_shared<const ProviderUsage>()) {
    m_loginEnabled = m_services.login->status() == LoginItemStatus::Enabled;
    m_claudeConnected = m_services.claudeBridgeInstalled();
    m_notifyReset = m_services.settings->readBool(kNotifyResetKey).value_or(true);
    connect(&m_cycle, &RefreshCycle::localRead, this, &MeterModel::publish);
    connect(&m_cycle, &RefreshCycle::finished, this, &MeterModel::finish);
}

MeterModel::~MeterModel() = default;

void MeterModel::start() {
    if (m_notifyReset && !m_notifier.available())
        setNotifyError(toQString(kNotifyUnavailable));
    refresh();
    m_timer.setInterval(kRefreshInterval);
    connect(&m_timer, &QTimer::timeout, this, &MeterModel::refresh);
    m_timer.start();
    if (m_services.wake) {
        m_services.wake->setWakeHandler([self = QPointer<MeterModel>(this)] {
            if (self)
                self->refresh();
        });
    }
}

void MeterModel::refresh() {
    if (m_cycle.start())
        emit refreshingChanged();
}

void MeterModel::setFigures(Figures codex, Figures claude) {
    m_codex = std::move(codex);
    m_claude = std::move(claude);
    emit codexChanged();
    emit claudeChanged();
    emit totalsChanged();
}

void MeterModel::publish(Figures codex, Figures claude) {
    setFigures(std::move(codex), std::move(claude));
    emit titleChanged();
    emit published();
}

// The figures are in place before the refresh is said to have ended.
void MeterModel::finish(Figures codex, Figures claude) {
    setFigures(std::move(codex), std::move(claude));
    m_updated = toDateTime(m_services.clock->now());
    emit updatedChanged();
    emit refreshingChanged();
    emit titleChanged();
    emit published();
    syncResetAlerts();
}

void MeterModel::syncResetAlerts() {
    m_notifier.sync(m_notifyReset ? Alerts::On : Alerts::Off,
                    {{"Codex", m_codex->quotas, m_codex->samples},
                     {"Claude", m_claude->quotas, m_claude->samples}});
    setNotifyError(m_notifyReset && !m_notifier.available() ? toQString(kNotifyUnavailable)
                                                            : QString());
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
        setNotifyError(toQString(kNotifyUnavailable));
}

void MeterModel::setLogin(bool on) {
    auto& login = *m_services.login;
    auto changed = on ? login.registerItem() : login.unregisterItem();
    if (!changed.ok()) {
        // The switch shows the unchanged state again.
        emit loginEnabledChanged();
        setLoginError(toQString(loginItemFailureText(changed.error())));
        return;
    }
    m_loginEnabled = login.status() == LoginItemStatus::Enabled;
    emit loginEnabledChanged();
    setLoginError(QString());
}

void MeterModel::connectClaude() {
    auto connected = m_services.connectClaude();
    if (!connected.ok()) {
        setLoginError(toQString(connected.error().message()));
        return;
    }
    m_claudeConnected = true;
    emit claudeConnectedChanged();
    refresh();
}

QVariantMap MeterModel::codexView() const {
    return viewOf(*m_codex, m_services.clock->now());
}
QVariantMap MeterModel::claudeView() const {
    return viewOf(*m_claude, m_services.clock->now());
}
QVariantMap MeterModel::codexTotals() const {
    return totalsView(*m_codex, since());
}
QVariantMap MeterModel::claudeTotals() const {
    return totalsView(*m_claude, since());
}

QString MeterModel::title() const {
    return toQString(meterTitle(*m_codex, *m_claude, m_services.clock->now()));
}

QStringList MeterModel::paceWarnings() const {
    QStringList lines;
    for (const auto& line :
         paceWarningLines(*m_codex, *m_claude, m_services.clock->now(), m_services.timeOfDay))
        lines.append(toQString(line));
    return lines;
}

Time MeterModel::since() const {
    return periodStart(brimlow::Period(m_period), m_services.clock->now());
}

void MeterModel::setPeriod(Period period) {
    m_period = period;
    emit periodChanged();
    emit totalsChanged();
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
