// Runs the test's Qt event loop until something has happened, the way the
// application's loop would deliver D-Bus replies, signals and timers.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace brimlow {

// True when `done` became true before `limit` passed.
inline bool spinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    QDeadlineTimer deadline(limit);
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return done();
}

inline void spinFor(std::chrono::milliseconds period) {
    spinUntil([] { return false; }, period);
}

} // namespace brimlow
