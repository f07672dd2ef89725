// "--test-notify": shows a made-up reset notification through the real
// notifier, to check that notifications reach the desktop.
#include "app/qt_messages.h"
#include "base/environment.h"
#include "base/print_line.h"
#include "notify/reset_notifier.h"
#include "platform/desktop_notifications.h"
#include "texts/texts.h"
#include "ui/panel_text.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

namespace brimlow {

namespace {

using namespace std::chrono_literals;

// How long the process stays up: long enough for the notification, due 8 s
// after the answer, to be posted and shown.
constexpr auto kRunFor = 15s;

} // namespace

} // namespace brimlow

int main(int argc, char** argv) {
    using namespace brimlow;
    routeQtMessages(ProcessEnvironment());
    QCoreApplication app(argc, argv);
    ProcessEnvironment env;
    auto clock = std::make_shared<SystemClock>();
    ResetNotifier notifier(connectDesktopNotifications(env, clock), clock,
                           alertWording(localShortTimeOfDay));

    if (!notifier.available()) {
        printLine(stdout, kTestNotifyUnavailable);
        return 1;
    }
    printLine(stdout, kTestNotifyShown);
    notifier.sync(Alerts::On, {{std::string(kTestNotifyProvider),
                                {Quota{88.0, kFiveHourWindow, clock->now() + 8s}}}});
    QTimer::singleShot(kRunFor, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    return app.exec();
}
