// "--test-notify": a made-up reset notification through the real notifier
// and the desktop's notification service, to check that notifications
// reach the desktop.
#pragma once

#include "base/environment.h"
#include "base/time.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace brimlow {

// The sample window resets `lead` after the start, and the process stays up
// for `runFor`: long enough for the notification to be posted and shown.
struct TestNotifyTimes {
    std::chrono::milliseconds lead{8000};
    std::chrono::milliseconds runFor{15000};
};

// Prints one line to `out` and returns the exit status: 1 at once when the
// desktop has no notification service, else 0 after `times.runFor` of Qt
// event processing (a QCoreApplication must exist).
int runTestNotify(std::FILE* out, const Environment& env, std::shared_ptr<const Clock> clock,
                  const TestNotifyTimes& times = {});

} // namespace brimlow
