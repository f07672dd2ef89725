// The application's one state object: both providers' figures, the refresh
// state, the chosen period and the two settings, published to the panel as
// Qt properties. Everything published is read and written on the main
// thread; the slow part of a refresh runs on the model's own worker.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "model/refresh_cycle.h"
#include "model/refresh_logic.h"
#include "model/services.h"
#include "notify/reset_notifier.h"
#include "records/records.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <memory>

namespace brimlow {

// Everything the model reaches outside itself. The environment, the clock
// and the Codex query are used on the refresh worker as well, so they are
// shared with it.
struct MeterServices {
    std::shared_ptr<const Environment> env;
    std::shared_ptr<const Clock> clock;
    CodexQuery fetchCodexQuota;
    std::shared_ptr<NotificationCenter> notifications = nullptr; // null: none on this desktop
    // A reset's time of day as the notifications write it.
    std::function<std::string(Time)> timeOfDay;
    std::shared_ptr<LoginItemService> login;
    std::shared_ptr<SettingsStore> settings;
    std::shared_ptr<WakeSource> wake = nullptr; // null: no wake events
    std::function<bool()> claudeBridgeInstalled;
    std::function<Result<void>()> connectClaude;
};

class MeterModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVariantMap codex READ codexView NOTIFY codexChanged)
    Q_PROPERTY(QVariantMap claude READ claudeView NOTIFY claudeChanged)
    // {input, output, cache, total} since the start of the chosen period.
    Q_PROPERTY(QVariantMap codexTotals READ codexTotals NOTIFY totalsChanged)
    Q_PROPERTY(QVariantMap claudeTotals READ claudeTotals NOTIFY totalsChanged)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)
    Q_PROPERTY(QDateTime updated READ updated NOTIFY updatedChanged)
    Q_PROPERTY(Period period READ period WRITE setPeriod NOTIFY periodChanged)
    Q_PROPERTY(bool loginEnabled READ loginEnabled NOTIFY loginEnabledChanged)
    Q_PROPERTY(QString loginError READ loginError NOTIFY loginErrorChanged)
    Q_PROPERTY(bool claudeConnected READ claudeConnected NOTIFY claudeConnectedChanged)
    Q_PROPERTY(bool notifyReset READ notifyReset NOTIFY notifyResetChanged)
    Q_PROPERTY(QString notifyError READ notifyError NOTIFY notifyErrorChanged)
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)

public:
    // The rules' periods, in the order the panel offers them.
    enum class Period {
        Today = int(brimlow::Period::Today),
        LastSevenDays = int(brimlow::Period::LastSevenDays),
        AllRecords = int(brimlow::Period::AllRecords),
    };
    Q_ENUM(Period)

    explicit MeterModel(MeterServices services, QObject* parent = nullptr);
    ~MeterModel() override;

    // First refresh, the 60-second timer, wake events.
    void start();

    // Brings the figures up to date; does nothing while a cycle runs.
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void setNotify(bool on);
    Q_INVOKABLE void setLogin(bool on);
    Q_INVOKABLE void testNotify();
    Q_INVOKABLE void connectClaude();
    void syncResetAlerts();

    const ProviderUsage& codex() const { return *m_codex; }
    const ProviderUsage& claude() const { return *m_claude; }
    QVariantMap codexView() const;
    QVariantMap claudeView() const;
    QVariantMap codexTotals() const;
    QVariantMap claudeTotals() const;
    bool refreshing() const { return m_cycle.running(); }
    QDateTime updated() const { return m_updated; }
    Period period() const { return m_period; }
    void setPeriod(Period period);
    bool loginEnabled() const { return m_loginEnabled; }
    QString loginError() const { return m_loginError; }
    bool claudeConnected() const { return m_claudeConnected; }
    bool notifyReset() const { return m_notifyReset; }
    QString notifyError() const { return m_notifyError; }
    QString title() const;
    // For the tray's tooltip: the windows that run out before their reset.
    QStringList paceWarnings() const;
    Time since() const;
    ResetNotifier& notifier() { return m_notifier; }

signals:
    void codexChanged();
    void claudeChanged();
    void totalsChanged();
    void refreshingChanged();
    void updatedChanged();
    void periodChanged();
    void loginEnabledChanged();
    void loginErrorChanged();
    void claudeConnectedChanged();
    void notifyResetChanged();
    void notifyErrorChanged();
    void titleChanged();
    // After each publication of new figures: the local ones, then the final.
    void published();

private:
    void setFigures(Figures codex, Figures claude);
    void publish(Figures codex, Figures claude);
    void finish(Figures codex, Figures claude);
    void setNotifyError(const QString& text);
    void setLoginError(const QString& text);

    MeterServices m_services;
    ResetNotifier m_notifier;
    RefreshCycle m_cycle;
    QTimer m_timer;

    Figures m_codex;
    Figures m_claude;
    QDateTime m_updated;
    Period m_period = Period::Today;
    bool m_loginEnabled = false;
    QString m_loginError;
    bool m_claudeConnected = false;
    bool m_notifyReset = true;
    QString m_notifyError;
};

} // namespace brimlow
