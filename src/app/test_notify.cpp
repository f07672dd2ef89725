#include "app/test_notify.h"

#include "base/print_line.h"
#include "notify/reset_notifier.h"
#include "platform/desktop_notifications.h"
#include "texts/texts.h"
#include "ui/panel_text.h"

#include <QEventLoop>
#include <QTimer>
#include <string>

namespace brimlow {

int runTestNotify(std::FILE* out, const Environment& env, std::shared_ptr<const Clock> clock,
                  const TestNotifyTimes& times) {
    ResetNotifier notifier(connectDesktopNotifications(env, clock), clock,
                           alertWording(localShortTimeOfDay));
    if (!notifier.available()) {
        printLine(out, kTestNotifyUnavailable);
        return 1;
    }
    printLine(out, kTestNotifyShown);
    notifier.sync(Alerts::On, {{std::string(kTestNotifyProvider),
                                {Quota{88.0, kFiveHourWindow, clock->now() + times.lead}},
                                {}}});
    QEventLoop loop;
    QTimer::singleShot(times.runFor, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return 0;
}

} // namespace brimlow
