// "--test-notify": shows a made-up reset notification through the real
// notifier, to check that notifications reach the desktop.
#include "app/qt_messages.h"
#include "base/environment.h"
#include "base/print_line.h"
#include "notify/reset_notifier.h"
#include "platform/desktop_notifications.h"
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
    ResetNotifier notifier(connectDesktopNotifications(env, clock), clock, localShortTimeOfDay);

    if (!notifier.available()) {
        printLine(stdout, "알림이 꺼져 있음 — 세션 버스에 알림 서비스가 없습니다");
        return 1;
    }
    printLine(stdout, "알림 허용됨 · 3초 뒤 시험 알림");
    notifier.sync(Alerts::On, {{"시험", {Quota{88.0, kFiveHourWindow, clock->now() + 8s}}}});
    QTimer::singleShot(kRunFor, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    return app.exec();
}
