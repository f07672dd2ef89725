// Owning file descriptors, so that no error path can leak one into a child
// process or keep a pipe open after its user is gone.
#pragma once

#include "base/result.h"

namespace brimlow {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without closing.
    int release();
    // Closes the current descriptor (errors ignored) and owns `fd` instead.
    void reset(int fd = -1);
    // Closes now and reports what close() said. The descriptor is gone
    // either way: on Linux a failed close() has still released it.
    Result<void> close();

private:
    int m_fd = -1;
};

struct Pipe {
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

// Both ends are close-on-exec, so a pipe made here reaches a child only
// through an explicit redirection.
Result<Pipe> makePipe();

} // namespace brimlow
