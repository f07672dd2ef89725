// The application's one state object: both providers' figures, the refresh
// state, the chosen period and the two settings, published to the panel as
// Qt properties. Everything published is read and written on the main
// thread; the slow part of a refresh runs on the model's own worker.
#pragma once

#include "base/environment.h"
#include "base/result.h"
#include "model/serial_queue.h"
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
#include <nlohmann/json.hpp>

namespace brimlow {

class LocalUsageReader;

// Everything the model reaches outside itself. The first three are used on
// the worker as well, so they are shared with it.
struct MeterServices {
    std::shared_ptr<const Environment> env;
    std::shared_ptr<const Clock> clock;
    std::function<Result<nlohmann::json>(const Environment&)> fetchCodexQuota;
    std::shared_ptr<NotificationCenter> notifications = nullptr; // null: none on this desktop
    TimeOfDayFormatter timeOfDay;
    std::shared_ptr<LoginItemService> login;
    std::shared_ptr<SettingsStore> settings;
    std::shared_ptr<WakeSource> wake = nullptr; // null: no wake events
    std::function<bool()> claudeBridgeInstalled;
    std::function<Result<void>()> connectClaude;
};

inline constexpr const char* kNotifyWarning =
    "세션 버스에 알림 서비스가 없어 알림을 띄울 수 없습니다.";

class MeterModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVariantMap codex READ codexView NOTIFY codexChanged)
    Q_PROPERTY(QVariantMap claude READ claudeView NOTIFY claudeChanged)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)
    Q_PROPERTY(QDateTime updated READ updated NOTIFY updatedChanged)
    Q_PROPERTY(int period READ period WRITE setPeriod NOTIFY periodChanged)
    Q_PROPERTY(bool loginEnabled READ loginEnabled NOTIFY loginEnabledChanged)
    Q_PROPERTY(QString loginError READ loginError NOTIFY loginErrorChanged)
    Q_PROPERTY(bool claudeConnected READ claudeConnected NOTIFY claudeConnectedChanged)
    Q_PROPERTY(bool notifyReset READ notifyReset NOTIFY notifyResetChanged)
    Q_PROPERTY(QString notifyError READ notifyError NOTIFY notifyErrorChanged)
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)

public:
    explicit MeterModel(MeterServices services, QObject* parent = nullptr);
    ~MeterModel() override;

    // Permission request, first refresh, the 60-second timer, wake events.
    void start();

    // Brings the figures up to date; does nothing while a cycle runs.
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void setNotify(bool on);
    Q_INVOKABLE void setLogin(bool on);
    Q_INVOKABLE void testNotify();
    Q_INVOKABLE void connectClaude();
    // Input, output, cache and their sum for "Codex" or "Claude" since the
    // start of the chosen period.
    Q_INVOKABLE QVariantMap totals(const QString& provider) const;
    void syncResetAlerts();

    const ProviderUsage& codex() const { return m_codex; }
    const ProviderUsage& claude() const { return m_claude; }
    QVariantMap codexView() const;
    QVariantMap claudeView() const;
    bool refreshing() const { return m_refreshing; }
    QDateTime updated() const { return m_updated; }
    int period() const { return m_period; }
    void setPeriod(int period);
    bool loginEnabled() const { return m_loginEnabled; }
    QString loginError() const { return m_loginError; }
    bool claudeConnected() const { return m_claudeConnected; }
    bool notifyReset() const { return m_notifyReset; }
    QString notifyError() const { return m_notifyError; }
    QString title() const;
    Time since() const;
    ResetNotifier& notifier() { return m_notifier; }

    // Called on the main thread after each publication of new figures.
    std::function<void()> onUpdate;

signals:
    void codexChanged();
    void claudeChanged();
    void refreshingChanged();
    void updatedChanged();
    void periodChanged();
    void loginEnabledChanged();
    void loginErrorChanged();
    void claudeConnectedChanged();
    void notifyResetChanged();
    void notifyErrorChanged();
    void titleChanged();

private:
    struct Worker;
    struct Mailbox;

    // Runs what the worker posted; queued by name from the worker thread.
    Q_INVOKABLE void takeMail();

    void publishLocal(ProviderUsage codex, ProviderUsage claude);
    void publishFinal(ProviderUsage codex, ProviderUsage claude);
    void setCodex(ProviderUsage usage);
    void setClaude(ProviderUsage usage);
    void setRefreshing(bool on);
    void setNotifyError(const QString& text);
    void setLoginError(const QString& text);
    void announceUpdate();

    MeterServices m_services;
    ResetNotifier m_notifier;
    std::shared_ptr<Worker> m_worker;
    std::shared_ptr<Mailbox> m_mailbox;
    SerialQueue m_queue;
    QTimer m_timer;

    ProviderUsage m_codex;
    ProviderUsage m_claude;
    bool m_refreshing = false;
    QDateTime m_updated;
    int m_period = 0;
    bool m_loginEnabled = false;
    QString m_loginError;
    bool m_claudeConnected = false;
    bool m_notifyReset = true;
    QString m_notifyError;
};

} // namespace brimlow
