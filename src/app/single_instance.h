// One running application per user. The first start listens on a local
// socket; a later start finds it there, asks it to open its panel and ends.
#pragma once

#include "base/environment.h"

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace brimlow {

// "$XDG_RUNTIME_DIR/brimlow.socket" (a directory only its user can enter);
// without a runtime directory, a name with the user id, which the local
// server puts in the temporary directory.
QString instanceSocketName(const Environment& env);

enum class InstanceRole {
    First,    // listening: later starts reach this process
    Handover, // another instance runs and was asked to open its panel
    Alone,    // the socket could not be set up; runs without the handover
};

class SingleInstance final : public QObject {
public:
    explicit SingleInstance(QString socketName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands over to a running instance, or becomes the one later starts
    // reach. A socket left behind by an instance that died is replaced.
    InstanceRole claim();

    // Runs on the main thread each time a later start hands over.
    std::function<void()> onReopen;

private:
    void accept();

    QString m_name;
    QLocalServer m_server;
};

} // namespace brimlow
