// logind as far as resuming goes: owns org.freedesktop.login1 on a private
// bus standing in for the system bus, and announces sleep and resume.
#pragma once

#include "fake_notification_server.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <string>

namespace brimlow {

// The Manager's PrepareForSleep signal, sent by whoever owns `bus`.
inline void sendPrepareForSleep(QDBusConnection bus, bool sleeping) {
    QDBusMessage message = QDBusMessage::createSignal(
        "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    message << sleeping;
    bus.send(message);
}

class FakeLogind {
public:
    explicit FakeLogind(const std::string& address) : m_bus(connectTo(address)) {
        m_bus.registerService("org.freedesktop.login1");
    }
    ~FakeLogind() { QDBusConnection::disconnectFromBus(m_bus.name()); }
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    void prepareForSleep(bool sleeping) { sendPrepareForSleep(m_bus, sleeping); }

private:
    QDBusConnection m_bus;
};

} // namespace brimlow
