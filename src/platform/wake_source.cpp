#include "platform/wake_source.h"

#include "platform/bus_address.h"
#include "platform/bus_connection.h"

#include <QDBusConnection>
#include <QObject>

namespace brimlow {

// QtDBus delivers signals only to slots of a QObject, which lives here so
// that the public class stays free of Qt.
class LogindWakeSource::Listener final : public QObject {
    Q_OBJECT

public:
    Listener(QDBusConnection bus, std::function<void()> onWake)
        : m_bus(std::move(bus)), m_onWake(std::move(onWake)) {
        // Naming the service makes QtDBus accept the signal only from the
        // connection that owns org.freedesktop.login1, so no other client
        // on the bus can fake a resume.
        m_bus.connect(QStringLiteral("org.freedesktop.login1"),
                      QStringLiteral("/org/freedesktop/login1"),
                      QStringLiteral("org.freedesktop.login1.Manager"),
                      QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    }

    ~Listener() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

private slots:
    void prepareForSleep(bool goingToSleep) {
        if (!goingToSleep)
            m_onWake();
    }

private:
    QDBusConnection m_bus;
    std::function<void()> m_onWake;
};

LogindWakeSource::LogindWakeSource(const std::optional<std::string>& systemBus) {
    // A bus autolaunched for us would be a private one that logind is not
    // on, and its daemon would outlive us.
    auto address = systemBus ? withoutAutolaunch(*systemBus) : std::nullopt;
    if (!address)
        return;
    QDBusConnection bus = connectPrivately(*address);
    if (bus.isConnected())
        m_listener = std::make_unique<Listener>(std::move(bus), [this] { woke(); });
}

LogindWakeSource::~LogindWakeSource() = default;

void LogindWakeSource::setWakeHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

void LogindWakeSource::woke() {
    // A copy: the handler may replace itself.
    if (auto handler = m_handler)
        handler();
}

} // namespace brimlow

#include "wake_source.moc"
