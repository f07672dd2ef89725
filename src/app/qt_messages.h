// Brimlow logs nothing: problems surface as texts in the panel or as the
// command-line modes' own lines. Qt's own messages (warnings, or D-Bus
// tracing a user switched on) would otherwise land on standard error.
#pragma once

#include <QtGlobal>

namespace brimlow {

inline void discardQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

inline void silenceQtMessages() {
    qInstallMessageHandler(discardQtMessage);
}

} // namespace brimlow
