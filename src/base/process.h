// Starting child programs and making sure each one is reaped.
//
// Every pipe made here is close-on-exec, so a child sees only the three
// standard streams it was given (plus whatever the caller left inheritable),
// never a pipe end of another child started at the same time.
#pragma once

#include "base/result.h"
#include "base/unique_fd.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brimlow {

// What one of the child's standard streams is connected to.
enum class StreamMode {
    Null,    // the null device
    Inherit, // the caller's own stream with the same number
    Pipe,    // a new pipe; the caller gets the other end
};

struct SpawnRequest {
    // Run as given, not looked up in PATH; also the child's argv[0].
    std::string executable;
    std::vector<std::string> arguments;
    // The child's whole environment, "NAME=value" entries.
    std::vector<std::string> environment;
    StreamMode input = StreamMode::Null;
    StreamMode output = StreamMode::Null;
    StreamMode errors = StreamMode::Null;
};

// How a child that its owner lets go of comes to an end.
enum class Ending {
    // SIGTERM now; SIGKILL if it is still running after the grace period.
    Terminate,
    // Left to finish on its own time; only reaped.
    Await,
};

inline constexpr std::chrono::milliseconds kTerminationGrace{3000};

// A started child. Its owner either waits for it or releases it; dropping
// it without either releases it with Ending::Terminate, so no path leaves a
// stray process or a zombie behind.
class ChildProcess {
public:
    ChildProcess(pid_t pid, UniqueFd input, UniqueFd output, UniqueFd errors);
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // Our ends of the pipes; invalid for streams that are not pipes.
    UniqueFd& input() { return m_input; }
    UniqueFd& output() { return m_output; }
    UniqueFd& errors() { return m_errors; }

    // Blocks until the child exits and returns its wait status.
    Result<int> wait();

    // Closes our pipe ends, then ends the child as asked and reaps it on a
    // background thread. Never blocks the caller.
    void release(Ending ending, std::chrono::milliseconds grace = kTerminationGrace);

private:
    pid_t m_pid = -1;
    UniqueFd m_input;
    UniqueFd m_output;
    UniqueFd m_errors;
};

// Starts the program with posix_spawn. The child starts with an empty signal
// mask and SIGPIPE at its default action, whatever the calling thread has
// blocked or the program has ignored, so it behaves as if started from a shell.
// Failure to start (missing file, no permission) is the platform's error.
Result<ChildProcess> spawnProcess(const SpawnRequest& request);

// This process's environment as "NAME=value" entries.
std::vector<std::string> currentEnvironment();

} // namespace brimlow
