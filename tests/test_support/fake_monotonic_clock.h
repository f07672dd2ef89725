// A monotonic clock for tests.
#pragma once

#include "base/monotonic_clock.h"

namespace brimlow {

// Stands still until a test moves it.
class FakeMonotonicClock final : public MonotonicClock {
public:
    MonotonicTime now() const override { return m_now; }
    void advance(std::chrono::steady_clock::duration by) { m_now += by; }

private:
    MonotonicTime m_now{};
};

} // namespace brimlow
