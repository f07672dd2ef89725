// Brimlow logs nothing: problems surface as texts in the panel or as the
// command-line modes' own lines. Qt's own messages (warnings, or D-Bus
// tracing a user switched on) are discarded unless a developer asks for them
// with BRIMLOW_QT_MESSAGES=1. A fatal one always ends the process with one
// line of ours and status 1 instead of an abort.
#pragma once

#include "base/environment.h"

#include <QString>
#include <QtGlobal>
#include <string>

namespace brimlow {

inline constexpr const char* kQtMessagesVariable = "BRIMLOW_QT_MESSAGES";

// The line a fatal message of Qt's becomes: the display that can't be
// opened is by far the likeliest.
std::string fatalQtMessageLine(const QString& message);

// Installs the handler; call before the application object is made.
void routeQtMessages(const Environment& env);

} // namespace brimlow
