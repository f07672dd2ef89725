#include "app/qt_messages.h"

#include <cstdio>
#include <unistd.h>

namespace brimlow {

namespace {

void endWithLine(const QString& message) {
    std::string line = fatalQtMessageLine(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    // After a fatal message Qt's state can't be trusted to unwind.
    _exit(1);
}

void discardQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg)
        endWithLine(message);
}

void showQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    std::string text = qFormatLogMessage(type, context, message).toStdString() + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (type == QtFatalMsg)
        endWithLine(message);
}

} // namespace

std::string fatalQtMessageLine(const QString& message) {
    if (message.contains(QLatin1String("platform plugin")))
        return "Cannot open the display (DISPLAY=" + qEnvironmentVariable("DISPLAY").toStdString() +
               ", WAYLAND_DISPLAY=" + qEnvironmentVariable("WAYLAND_DISPLAY").toStdString() +
               "); run \"brimlow --snapshot\" to see the figures.";
    return "Brimlow stopped: " + message.section(QLatin1Char('\n'), 0, 0).toStdString();
}

void routeQtMessages(const Environment& env) {
    bool shown = env.get(kQtMessagesVariable).value_or("") == "1";
    qInstallMessageHandler(shown ? showQtMessage : discardQtMessage);
}

} // namespace brimlow
