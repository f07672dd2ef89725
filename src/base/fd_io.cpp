#include "base/fd_io.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace brimlow {

namespace {

// Blocks SIGPIPE in this thread while alive. A SIGPIPE that our own write
// raised is taken off the pending set before the old mask comes back, so it
// is never delivered; one that was already pending stays for its owner.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&m_pipeOnly);
        sigaddset(&m_pipeOnly, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipeOnly, &m_previous);
        sigset_t pending;
        sigemptyset(&pending);
        m_alreadyPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    }

    ~SigpipeBlock() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

    void consumeRaisedSignal() {
        if (m_alreadyPending)
            return;
        timespec noWait{};
        while (sigtimedwait(&m_pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }

private:
    sigset_t m_pipeOnly;
    sigset_t m_previous;
    bool m_alreadyPending = false;
};

} // namespace

Result<void> writeAll(int fd, std::string_view bytes) {
    SigpipeBlock block;
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            int err = errno;
            if (err == EPIPE)
                block.consumeRaisedSignal();
            return Error::fromErrno(err);
        }
        // A write of a non-empty buffer that reports 0 bytes would loop forever.
        if (written == 0)
            return Error::fromErrno(EIO);
        bytes.remove_prefix(std::size_t(written));
    }
    return {};
}

Result<std::size_t> readSome(int fd, std::string& buffer, std::size_t limit) {
    std::size_t oldSize = buffer.size();
    buffer.resize(oldSize + limit);
    ssize_t got;
    do {
        got = ::read(fd, buffer.data() + oldSize, limit);
    } while (got < 0 && errno == EINTR);
    int err = errno;
    buffer.resize(oldSize + (got > 0 ? std::size_t(got) : 0));
    if (got < 0)
        return Error::fromErrno(err);
    return std::size_t(got);
}

} // namespace brimlow
