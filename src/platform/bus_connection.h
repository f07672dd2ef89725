// Connections to a D-Bus bus that belong to one part of the program alone.
#pragma once

#include <QDBusConnection>
#include <string>

namespace brimlow {

// A connection to the bus at `address` under a name no other part of the
// process uses: QtDBus shares connections by name, and disconnecting one
// shared with someone else would pull it from under them. Not connected
// when the bus cannot be reached. The owner ends it with
// QDBusConnection::disconnectFromBus(connection.name()).
QDBusConnection connectPrivately(const std::string& address);

} // namespace brimlow
