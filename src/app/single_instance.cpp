#include "app/single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <unistd.h>

namespace brimlow {

namespace {

constexpr char kReopen[] = "reopen\n";
// A running instance answers at once; these only bound a stuck one.
constexpr int kConnectMs = 1000;
constexpr int kWriteMs = 1000;
constexpr int kLockMs = 5000;

// Serialises two starts racing for the socket: without it both could find
// no one listening, and the second would remove the first one's socket.
QString lockPath(const QString& socketName) {
    QString path =
        QDir::isAbsolutePath(socketName) ? socketName : QDir::tempPath() + "/" + socketName;
    return path + ".lock";
}

bool tellRunningInstance(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(kReopen);
    bool sent = socket.waitForBytesWritten(kWriteMs);
    socket.disconnectFromServer();
    return sent;
}

} // namespace

QString instanceSocketName(const Environment& env) {
    auto runtime = xdgRuntimeDirectory(env);
    if (runtime && QFileInfo(QString::fromStdString(*runtime)).isDir())
        return QString::fromStdString(joinPath(*runtime, "brimlow.socket"));
    return QStringLiteral("brimlow-%1.socket").arg(getuid());
}

SingleInstance::SingleInstance(QString socketName, QObject* parent)
    : QObject(parent), m_name(std::move(socketName)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::~SingleInstance() = default;

InstanceRole SingleInstance::claim() {
    QLockFile lock(lockPath(m_name));
    // Held only while claiming, so age says nothing; a holder that died is
    // recognised by its process id.
    lock.setStaleLockTime(0);
    bool locked = lock.tryLock(kLockMs);
    if (tellRunningInstance(m_name))
        return InstanceRole::Handover;
    if (!locked)
        return InstanceRole::Alone;
    // No one answers: whatever is at the name was left by an instance that
    // did not end cleanly.
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name) ? InstanceRole::First : InstanceRole::Alone;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == kReopen && onReopen)
                    onReopen();
            }
        });
    }
}

} // namespace brimlow
