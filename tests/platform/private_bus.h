// A D-Bus daemon of the test's own, so no test touches the user's session.
// It listens on <dir>/bus (where $XDG_RUNTIME_DIR/bus would be) and knows
// one activatable service, org.freedesktop.Notifications, whose "start"
// only leaves a marker file: a message that asks for activation shows up.
#pragma once

#include "test_support/temp_dir.h"

#include <QDBusConnection>
#include <QProcess>
#include <QUuid>
#include <filesystem>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace brimlow {

class PrivateBus {
public:
    PrivateBus() {
        m_dir.write("services/org.freedesktop.Notifications.service",
                    "[D-BUS Service]\nName=org.freedesktop.Notifications\n"
                    "Exec=/bin/sh -c \"touch " +
                        activationMarker() + "\"\n");
        std::string config = m_dir.write(
            "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:path=" +
                socketPath() + "</listen>\n  <servicedir>" + m_dir / "services" +
                "</servicedir>\n"
                "  <policy context=\"default\">\n"
                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                "    <allow eavesdrop=\"true\"/>\n"
                "    <allow own=\"*\"/>\n"
                "  </policy>\n"
                "</busconfig>\n");
        // Gone with the test process even if it dies half-way.
        m_daemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_daemon.setStandardErrorFile(QProcess::nullDevice());
        m_daemon.start("dbus-daemon", {"--nofork", "--print-address=1",
                                       QString::fromStdString("--config-file=" + config)});
        while (m_address.empty() && m_daemon.waitForReadyRead(5000)) {
            if (m_daemon.canReadLine())
                m_address = m_daemon.readLine().trimmed().toStdString();
        }
        if (m_address.empty())
            throw std::runtime_error("dbus-daemon did not start");
    }

    ~PrivateBus() {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return m_address; }
    const std::string& directory() const { return m_dir.path(); }
    std::string socketPath() const { return m_dir / "bus"; }
    std::string activationMarker() const { return m_dir / "activated"; }
    bool activationRequested() const { return std::filesystem::exists(activationMarker()); }

private:
    TempDir m_dir;
    QProcess m_daemon;
    std::string m_address;
};

// A connection of its own to `address`, under a name no one else uses.
inline QDBusConnection connectTo(const std::string& address) {
    return QDBusConnection::connectToBus(QString::fromStdString(address),
                                         QUuid::createUuid().toString());
}

// A Unix socket at `path` that nobody listens on, as a bus that died leaves.
inline void makeDeadSocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot make a socket at " + path);
    close(fd);
}

} // namespace brimlow
