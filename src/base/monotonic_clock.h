// Time for deadlines and time-outs. Unlike the wall clock it never jumps
// (clock changes, time sync), so a time-out cannot stretch or shrink.
#pragma once

#include <chrono>

namespace brimlow {

using MonotonicTime = std::chrono::steady_clock::time_point;

class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual MonotonicTime now() const = 0;
};

class SteadyMonotonicClock final : public MonotonicClock {
public:
    MonotonicTime now() const override { return std::chrono::steady_clock::now(); }
};

} // namespace brimlow
