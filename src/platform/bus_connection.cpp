#include "platform/bus_connection.h"

#include <QUuid>

namespace brimlow {

QDBusConnection connectPrivately(const std::string& address) {
    QString name = QStringLiteral("brimlow-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDBusConnection connection =
        QDBusConnection::connectToBus(QString::fromStdString(address), name);
    // A failed attempt still registers the name; release it at once.
    if (!connection.isConnected())
        QDBusConnection::disconnectFromBus(name);
    return connection;
}

} // namespace brimlow
