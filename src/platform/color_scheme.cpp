#include "platform/color_scheme.h"

#include "platform/bus_address.h"
#include "platform/bus_connection.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace brimlow {

namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.Settings";
constexpr const char* kGroup = "org.freedesktop.appearance";
constexpr const char* kKey = "color-scheme";

// Read() wraps the value in one variant more than SettingChanged does.
std::optional<std::uint32_t> schemeValue(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    std::uint32_t scheme = value.toUInt(&ok);
    return ok ? std::optional(scheme) : std::nullopt;
}

QDBusConnection sessionBus(const Environment& env) {
    auto address = sessionBusAddress(env);
    return address ? connectPrivately(*address) : QDBusConnection(QString());
}

} // namespace

PortalColorScheme::PortalColorScheme(const Environment& env,
                                     std::function<void(std::uint32_t)> onValue)
    : m_bus(sessionBus(env)), m_onValue(std::move(onValue)) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    read << QString::fromLatin1(kGroup) << QString::fromLatin1(kKey);
    // Asked without waiting: the portal may take a moment to start.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                QDBusPendingReply<QDBusVariant> reply = *call;
                call->deleteLater();
                if (!reply.isError()) {
                    if (auto scheme = schemeValue(QVariant::fromValue(reply.value())))
                        m_onValue(*scheme);
                }
            });
}

PortalColorScheme::~PortalColorScheme() {
    if (m_bus.isConnected())
        QDBusConnection::disconnectFromBus(m_bus.name());
}

void PortalColorScheme::settingChanged(const QString& group, const QString& key,
                                       const QDBusVariant& value) {
    if (group != QLatin1String(kGroup) || key != QLatin1String(kKey))
        return;
    if (auto scheme = schemeValue(value.variant()))
        m_onValue(*scheme);
}

} // namespace brimlow
