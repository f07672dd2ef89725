#include "platform/desktop_notifications.h"

#include "platform/bus_address.h"
#include "platform/bus_connection.h"
#include "platform/notification_scheduler.h"
#include "platform/timerfd_alarm.h"
#include "platform/wake_source.h"
#include "texts/texts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <unordered_set>

namespace brimlow {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

bool hasOwner(const QDBusConnection& connection, const QString& service,
              std::chrono::milliseconds timeout) {
    QDBusMessage query = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    query << service;
    QDBusMessage reply = connection.call(query, QDBus::Block, int(timeout.count()));
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toBool();
}

class DesktopNotificationCenter final : public QObject, public NotificationCenter {
    Q_OBJECT

public:
    DesktopNotificationCenter(QDBusConnection session, std::unique_ptr<WakeSource> wake,
                              std::shared_ptr<const Clock> clock, UniqueFd timer)
        : m_session(std::move(session)), m_alarm(std::move(timer), [this] { m_scheduler.wake(); }),
          m_scheduler(std::move(clock), m_alarm, [this](const NotificationRequest& r) { post(r); }),
          m_wake(std::move(wake)) {
        // Signals only from whoever owns the service name, so another
        // client on the bus cannot fake a click.
        m_session.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                          SLOT(actionInvoked(uint, QString)));
        m_session.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                          SLOT(notificationClosed(uint, uint)));
        // The alarm's kernel timer already fires after a resume; this is a
        // second line for kernels and suspend paths that miss it.
        m_wake->setWakeHandler([this] { m_scheduler.wake(); });
    }

    ~DesktopNotificationCenter() override { QDBusConnection::disconnectFromBus(m_session.name()); }

    std::vector<std::string> pendingIds() const override { return m_scheduler.pendingIds(); }

    void schedule(const NotificationRequest& request) override { m_scheduler.add(request); }

    void cancel(const std::vector<std::string>& ids) override { m_scheduler.remove(ids); }

    void setOpenHandler(std::function<void()> handler) override {
        m_openHandler = std::move(handler);
    }

private slots:
    void actionInvoked(uint id, const QString& action) {
        if (action != QStringLiteral("default") || !m_shown.contains(id))
            return;
        // A copy: the handler may replace itself.
        if (auto handler = m_openHandler)
            handler();
    }

    void notificationClosed(uint id, uint /*reason*/) { m_shown.erase(id); }

private:
    void post(const NotificationRequest& request) {
        QDBusMessage notify =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
        notify << QStringLiteral("Brimlow") << uint(0) << QString()
               << QString::fromStdString(request.title) << QString::fromStdString(request.body)
               << QStringList{QStringLiteral("default"),
                              QString::fromUtf8(kNotificationOpen.data(),
                                                qsizetype(kNotificationOpen.size()))}
               << QVariantMap{{QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
                              {QStringLiteral("desktop-entry"), QStringLiteral("brimlow")}}
               << int(-1);
        // A service that went away must not be started again behind the
        // user's back; the notification is then simply not shown.
        notify.setAutoStartService(false);
        auto* watcher = new QDBusPendingCallWatcher(m_session.asyncCall(notify), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* finished) {
                    QDBusPendingReply<uint> reply = *finished;
                    if (reply.isValid())
                        m_shown.insert(reply.value());
                    finished->deleteLater();
                });
    }

    QDBusConnection m_session;
    TimerfdAlarm m_alarm;
    NotificationScheduler m_scheduler;
    // After the scheduler, so it is gone before the scheduler it wakes.
    std::unique_ptr<WakeSource> m_wake;
    // The service's ids of the notifications we showed and it still shows.
    std::unordered_set<uint> m_shown;
    std::function<void()> m_openHandler;
};

} // namespace

std::shared_ptr<NotificationCenter>
connectDesktopNotifications(const Environment& env, std::shared_ptr<const Clock> clock,
                            const DesktopNotificationOptions& options) {
    auto address = sessionBusAddress(env);
    if (!address)
        return nullptr;
    QDBusConnection session = connectPrivately(*address);
    if (!session.isConnected())
        return nullptr;
    auto timer = createRealtimeTimer();
    if (!hasOwner(session, kService, options.ownerQueryTimeout) || !timer.ok()) {
        QDBusConnection::disconnectFromBus(session.name());
        return nullptr;
    }
    auto wake = std::make_unique<LogindWakeSource>(systemBusAddress(env, kStandardSystemBusSocket));
    return std::make_shared<DesktopNotificationCenter>(std::move(session), std::move(wake),
                                                       std::move(clock), std::move(timer).value());
}

} // namespace brimlow

#include "desktop_notifications.moc"
