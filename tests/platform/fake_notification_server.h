// A stand-in for the desktop's notification daemon on a private bus: records
// every Notify call with its arguments, answers with increasing ids (or not
// at all), and emits the daemon's signals when a test asks.
#pragma once

#include "private_bus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <string>
#include <vector>

namespace brimlow {

struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString icon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int expireTimeout = 0;
};

class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    enum class Answers { Always, Never };

    explicit FakeNotificationServer(const std::string& address, Answers answers = Answers::Always)
        : m_bus(connectTo(address)), m_answers(answers) {
        m_bus.registerObject("/org/freedesktop/Notifications", this,
                             QDBusConnection::ExportAllSlots);
        m_bus.registerService("org.freedesktop.Notifications");
    }

    ~FakeNotificationServer() override { leave(); }

    // Closes the connection: the daemon is gone, mid-call if need be.
    void leave() {
        if (!m_bus.isConnected())
            return;
        m_bus.unregisterService("org.freedesktop.Notifications");
        QDBusConnection::disconnectFromBus(m_bus.name());
        m_bus = QDBusConnection(QString());
    }

    void emitActionInvoked(uint id, const QString& action) {
        emitSignal(m_bus, "ActionInvoked", {id, action});
    }
    void emitClosed(uint id) { emitSignal(m_bus, "NotificationClosed", {id, uint(2)}); }

    // The same signal from another client, which does not own the name.
    static void emitSignal(QDBusConnection bus, const QString& name, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                          "org.freedesktop.Notifications", name);
        message.setArguments(args);
        bus.send(message);
    }

    std::vector<NotifyCall> calls;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout) {
        calls.push_back({appName, replacesId, icon, summary, body, actions, hints, expireTimeout});
        if (m_answers == Answers::Never) {
            setDelayedReply(true);
            return 0;
        }
        return ++m_lastId;
    }

    QStringList GetCapabilities() { return {"actions", "body", "sound"}; }

private:
    QDBusConnection m_bus;
    Answers m_answers;
    uint m_lastId = 0;
};

} // namespace brimlow
