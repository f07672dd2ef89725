// Shows one notification through the desktop notification centre and waits
// for the user (or a script) to open it. Prints one line per event:
// "no centre", "posted", "opened"; exits 0 once opened, 3 when nobody did.
#include "base/environment.h"
#include "platform/desktop_notifications.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace brimlow;
    QCoreApplication app(argc, argv);
    auto say = [](const char* line) {
        std::printf("%s\n", line);
        std::fflush(stdout);
    };
    ProcessEnvironment env;
    auto clock = std::make_shared<SystemClock>();
    auto center = connectDesktopNotifications(env, clock);
    if (!center) {
        say("no centre");
        return 2;
    }
    center->setOpenHandler([&] {
        say("opened");
        QCoreApplication::exit(0);
    });
    center->schedule({"harness.1", "Brimlow 열기 시험", "누르면 열립니다.", clock->now()});
    say("posted");
    QTimer::singleShot(std::chrono::seconds(30), &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}
