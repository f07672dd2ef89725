#include "base/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace brimlow {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other)
        reset(other.release());
    return *this;
}

int UniqueFd::release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

Result<void> UniqueFd::close() {
    int fd = release();
    // Retrying after EINTR could close a descriptor another thread has just
    // been given, so a close is never repeated.
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
        return Error::fromErrno(errno);
    return {};
}

Result<Pipe> makePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return Error::fromErrno(errno);
    return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

} // namespace brimlow
