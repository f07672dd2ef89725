#include "base/process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace brimlow {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Called through syscall(): the C library's wrapper of this version lacks C
// linkage in its header, so it cannot be linked from C++.
int openPidfd(pid_t pid) {
    return int(syscall(SYS_pidfd_open, pid, 0));
}

// True once the child has exited (reaped or not) within `limit`.
bool exitsWithin(pid_t pid, milliseconds limit) {
    auto deadline = steady_clock::now() + limit;
    UniqueFd pidfd(openPidfd(pid));
    if (pidfd) {
        for (;;) {
            auto left = std::chrono::ceil<milliseconds>(deadline - steady_clock::now());
            pollfd entry{pidfd.get(), POLLIN, 0};
            int ready = poll(&entry, 1, int(std::max<milliseconds::rep>(left.count(), 0)));
            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR)
                return false;
        }
    }
    // Kernels without pidfds: look without reaping, in short steps.
    for (;;) {
        siginfo_t info{};
        int peeked = waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((peeked == 0 && info.si_pid == pid) || (peeked < 0 && errno == ECHILD))
            return true;
        if (steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(20));
    }
}

void reapBlocking(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Runs on its own detached thread: the caller must not wait for a child
// that ignores SIGTERM, and a query that runs every minute for days must
// not pile up zombies either.
void reapChild(pid_t pid, Ending ending, milliseconds grace) {
    if (ending == Ending::Terminate && !exitsWithin(pid, grace))
        kill(pid, SIGKILL);
    reapBlocking(pid);
}

bool reapIfExited(pid_t pid) {
    int status = 0;
    pid_t done;
    do {
        done = waitpid(pid, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    return done == pid || (done < 0 && errno == ECHILD);
}

// The child's ends are moved above the standard numbers so that one
// redirection can never overwrite the source of another.
Result<UniqueFd> aboveStandardStreams(UniqueFd fd) {
    if (fd.get() > STDERR_FILENO)
        return fd;
    int moved = fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0)
        return Error::fromErrno(errno);
    return UniqueFd(moved);
}

class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&m_attributes); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

// Our writes block SIGPIPE in the calling thread, and the program may ignore
// it; neither must carry over, or a child writing into a closed pipe would
// spin on EPIPE instead of ending as programs expect.
Result<void> resetSignals(SpawnAttributes& attributes) {
    sigset_t none;
    sigemptyset(&none);
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    if (int err = posix_spawnattr_setsigmask(attributes.get(), &none))
        return Error::fromErrno(err);
    if (int err = posix_spawnattr_setsigdefault(attributes.get(), &pipeOnly))
        return Error::fromErrno(err);
    if (int err = posix_spawnattr_setflags(attributes.get(),
                                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF))
        return Error::fromErrno(err);
    return {};
}

std::vector<char*> nullTerminated(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (const auto& s : strings)
        pointers.push_back(const_cast<char*>(s.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(pid_t pid, UniqueFd input, UniqueFd output, UniqueFd errors)
    : m_pid(pid), m_input(std::move(input)), m_output(std::move(output)),
      m_errors(std::move(errors)) {}

ChildProcess::~ChildProcess() {
    if (m_pid > 0)
        release(Ending::Terminate);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_input(std::move(other.m_input)),
      m_output(std::move(other.m_output)), m_errors(std::move(other.m_errors)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        if (m_pid > 0)
            release(Ending::Terminate);
        m_pid = std::exchange(other.m_pid, -1);
        m_input = std::move(other.m_input);
        m_output = std::move(other.m_output);
        m_errors = std::move(other.m_errors);
    }
    return *this;
}

Result<int> ChildProcess::wait() {
    if (m_pid <= 0)
        return Error::fromErrno(ECHILD);
    int status = 0;
    pid_t done;
    do {
        done = waitpid(m_pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    if (done < 0)
        return Error::fromErrno(errno);
    m_pid = -1;
    return status;
}

void ChildProcess::release(Ending ending, milliseconds grace) {
    // Our input end goes first: end of input is the polite way to stop.
    m_input.reset();
    m_output.reset();
    m_errors.reset();
    pid_t pid = std::exchange(m_pid, -1);
    if (pid <= 0 || reapIfExited(pid))
        return;
    if (ending == Ending::Terminate)
        kill(pid, SIGTERM);
    try {
        std::thread(reapChild, pid, ending, grace).detach();
    } catch (const std::system_error&) {
        // No thread to spare. A killed child ends at once, so waiting for it
        // here is short; a child that was to finish on its own is left.
        if (ending == Ending::Terminate) {
            kill(pid, SIGKILL);
            reapBlocking(pid);
        }
    }
}

Result<ChildProcess> spawnProcess(const SpawnRequest& request) {
    const std::array<StreamMode, 3> modes{request.input, request.output, request.errors};
    std::array<UniqueFd, 3> childEnds;
    std::array<UniqueFd, 3> ourEnds;
    for (int stream = 0; stream < 3; ++stream) {
        if (modes[stream] != StreamMode::Pipe)
            continue;
        Pipe pipe = TRY(makePipe());
        bool childReads = stream == STDIN_FILENO;
        childEnds[stream] =
            TRY(aboveStandardStreams(std::move(childReads ? pipe.readEnd : pipe.writeEnd)));
        ourEnds[stream] = std::move(childReads ? pipe.writeEnd : pipe.readEnd);
    }

    FileActions actions;
    for (int stream = 0; stream < 3; ++stream) {
        int err = 0;
        if (modes[stream] == StreamMode::Pipe)
            err = posix_spawn_file_actions_adddup2(actions.get(), childEnds[stream].get(), stream);
        else if (modes[stream] == StreamMode::Null)
            err = posix_spawn_file_actions_addopen(actions.get(), stream, "/dev/null",
                                                   stream == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
        if (err)
            return Error::fromErrno(err);
    }
    SpawnAttributes attributes;
    TRY(resetSignals(attributes));

    std::vector<std::string> argvStrings{request.executable};
    argvStrings.insert(argvStrings.end(), request.arguments.begin(), request.arguments.end());
    auto argv = nullTerminated(argvStrings);
    auto envp = nullTerminated(request.environment);

    pid_t pid = -1;
    if (int err = posix_spawn(&pid, request.executable.c_str(), actions.get(), attributes.get(),
                              argv.data(), envp.data()))
        return Error::fromErrno(err);
    // The child has its own copies now; ours would only keep the pipes open.
    return ChildProcess(pid, std::move(ourEnds[0]), std::move(ourEnds[1]), std::move(ourEnds[2]));
}

std::vector<std::string> currentEnvironment() {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry)
        entries.emplace_back(*entry);
    return entries;
}

} // namespace brimlow
