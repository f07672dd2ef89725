#include "base/children.h"
#include "base/fd_io.h"
#include "base/process.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <pthread.h>
#include <set>
#include <sys/wait.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;
using test_support::childrenLeftAfter;
using test_support::openFdCount;

SpawnRequest shell(const std::string& script, StreamMode input, StreamMode output,
                   StreamMode errors = StreamMode::Null) {
    return SpawnRequest{"/bin/sh", {"-c", script}, {"PATH=/usr/bin:/bin"}, input, output, errors};
}

std::string readToEnd(UniqueFd& fd) {
    std::string text;
    while (true) {
        auto got = readSome(fd.get(), text, 4096);
        if (!got || got.value() == 0)
            return text;
    }
}

bool sigpipeBlocked() {
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    return sigismember(&mask, SIGPIPE) == 1;
}

bool sigpipePending() {
    sigset_t pending;
    sigpending(&pending);
    return sigismember(&pending, SIGPIPE) == 1;
}

// A signal set from /proc/<pid>/status, e.g. "SigIgn:\t0000000000001000".
unsigned long long signalMask(const std::string& status, const std::string& field) {
    auto at = status.find(field + ":\t");
    if (at == std::string::npos)
        return ~0ull;
    return std::stoull(status.substr(at + field.size() + 2, 16), nullptr, 16);
}

// Every test here must leave neither a child nor a descriptor behind.
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override { m_fdsBefore = openFdCount(); }
    void TearDown() override {
        EXPECT_EQ(childrenLeftAfter(), std::vector<std::string>{});
        EXPECT_EQ(openFdCount(), m_fdsBefore);
    }

private:
    int m_fdsBefore = 0;
};

TEST_F(ProcessTest, WritingIntoAClosedPipeIsAnErrorNotASignal) {
    // With SIGPIPE at its default action a delivered signal would end the test run.
    ASSERT_EQ(signal(SIGPIPE, SIG_DFL), SIG_DFL);
    auto pipe = makePipe();
    ASSERT_TRUE(pipe.ok());
    pipe.value().readEnd.reset();

    auto written = writeAll(pipe.value().writeEnd.get(), "hello\n");

    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error(), (Error{"Broken pipe", EPIPE}));
    EXPECT_FALSE(sigpipePending());
    EXPECT_FALSE(sigpipeBlocked());
}

TEST_F(ProcessTest, AnEarlierPendingSigpipeIsLeftForItsOwner) {
    sigset_t pipeOnly, previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    raise(SIGPIPE);
    auto pipe = makePipe();
    ASSERT_TRUE(pipe.ok());
    pipe.value().readEnd.reset();

    EXPECT_FALSE(writeAll(pipe.value().writeEnd.get(), "x").ok());

    EXPECT_TRUE(sigpipeBlocked());
    EXPECT_TRUE(sigpipePending());
    timespec noWait{};
    sigtimedwait(&pipeOnly, nullptr, &noWait);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

TEST_F(ProcessTest, StreamsAreConnectedAsRequested) {
    auto child = spawnProcess(shell("read line; echo \"got $line\"; echo oops >&2; cat",
                                    StreamMode::Pipe, StreamMode::Pipe, StreamMode::Pipe));
    ASSERT_TRUE(child.ok()) << child.error().message;
    ASSERT_TRUE(writeAll(child.value().input().get(), "hi\nrest").ok());
    ASSERT_TRUE(child.value().input().close().ok());

    EXPECT_EQ(readToEnd(child.value().output()), "got hi\nrest");
    EXPECT_EQ(readToEnd(child.value().errors()), "oops\n");
    auto status = child.value().wait();
    ASSERT_TRUE(status.ok());
    EXPECT_TRUE(WIFEXITED(status.value()) && WEXITSTATUS(status.value()) == 0);
}

TEST_F(ProcessTest, NullStreamsGiveEndOfInputAndSwallowOutput) {
    auto child = spawnProcess(
        shell("cat; echo visible; echo hidden >&2; exit 7", StreamMode::Null, StreamMode::Pipe));
    ASSERT_TRUE(child.ok());
    EXPECT_EQ(readToEnd(child.value().output()), "visible\n");
    auto status = child.value().wait();
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(WEXITSTATUS(status.value()), 7);
}

TEST_F(ProcessTest, ChildSeesOnlyItsStandardStreamsAndInheritableOnes) {
    std::set<std::string> allowed{"0", "1", "2"};
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int fd = std::stoi(entry.path().filename());
        int flags = fcntl(fd, F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC))
            allowed.insert(entry.path().filename());
    }
    // A pipe made elsewhere at the same time must not reach the child either.
    auto unrelated = makePipe();
    ASSERT_TRUE(unrelated.ok());

    auto child =
        spawnProcess(shell("ls /proc/$$/fd", StreamMode::Pipe, StreamMode::Pipe, StreamMode::Pipe));
    ASSERT_TRUE(child.ok());
    std::istringstream listing(readToEnd(child.value().output()));
    std::set<std::string> seen;
    for (std::string fd; std::getline(listing, fd);)
        seen.insert(fd);
    ASSERT_TRUE(child.value().wait().ok());

    EXPECT_TRUE(seen.count("0") && seen.count("1") && seen.count("2"));
    for (const auto& fd : seen)
        EXPECT_TRUE(allowed.count(fd)) << "descriptor " << fd << " leaked into the child";
}

TEST_F(ProcessTest, ChildStartsWithSigpipeAtDefaultAndNothingBlocked) {
    // The calling thread blocks SIGPIPE and the program ignores it; neither
    // may carry over into the child.
    auto oldHandler = signal(SIGPIPE, SIG_IGN);
    sigset_t pipeOnly, previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);

    auto child = spawnProcess(
        SpawnRequest{"/bin/cat", {"/proc/self/status"}, {}, StreamMode::Null, StreamMode::Pipe});

    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    signal(SIGPIPE, oldHandler);
    ASSERT_TRUE(child.ok());
    std::string status = readToEnd(child.value().output());
    ASSERT_TRUE(child.value().wait().ok());
    EXPECT_EQ(signalMask(status, "SigBlk"), 0u) << status;
    EXPECT_EQ(signalMask(status, "SigIgn") & (1u << (SIGPIPE - 1)), 0u) << status;
}

TEST_F(ProcessTest, RedirectionsHoldWhenOurOwnStandardStreamsAreClosed) {
    // An application started without standard streams gets pipe ends with
    // the numbers 0 to 2. Here the error pipe's child end would be 1, which
    // the redirection of standard output must not overwrite. Runs in a
    // separate process, whose own output we close.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto errorsThroughPipe = [] {
        close(STDIN_FILENO);
        close(STDOUT_FILENO);
        auto child = spawnProcess(
            shell("echo err >&2", StreamMode::Null, StreamMode::Null, StreamMode::Pipe));
        if (!child.ok())
            std::_Exit(2);
        std::string text = readToEnd(child.value().errors());
        std::_Exit(text == "err\n" ? 0 : 1);
    };
    EXPECT_EXIT(errorsThroughPipe(), ::testing::ExitedWithCode(0), "");
}

TEST_F(ProcessTest, StartFailuresCarryThePlatformText) {
    auto missing = spawnProcess(SpawnRequest{"/nonexistent/program", {}, {}});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), (Error{"No such file or directory", ENOENT}));

    auto notExecutable = spawnProcess(SpawnRequest{"/proc/self/status", {}, {}});
    ASSERT_FALSE(notExecutable.ok());
    EXPECT_EQ(notExecutable.error().code, EACCES);
}

TEST_F(ProcessTest, ReleasedChildIsTerminatedAndReapedWithoutBlocking) {
    auto child = spawnProcess(shell("exec sleep 30", StreamMode::Pipe, StreamMode::Pipe));
    ASSERT_TRUE(child.ok());
    auto start = std::chrono::steady_clock::now();
    child.value().release(Ending::Terminate);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(child.value().pid(), -1);
}

TEST_F(ProcessTest, ChildIgnoringSigtermIsKilledAfterTheGracePeriod) {
    auto child =
        spawnProcess(shell("trap '' TERM; exec sleep 30", StreamMode::Null, StreamMode::Null));
    ASSERT_TRUE(child.ok());
    std::this_thread::sleep_for(100ms); // let the shell install its trap
    auto start = std::chrono::steady_clock::now();
    child.value().release(Ending::Terminate, 200ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_EQ(childrenLeftAfter(2s), std::vector<std::string>{});
    // Gone only once the grace period was over: SIGTERM alone did not do it.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
}

TEST_F(ProcessTest, AwaitedChildFinishesOnItsOwn) {
    auto marker =
        std::filesystem::temp_directory_path() / ("brimlow-await-" + std::to_string(getpid()));
    std::filesystem::remove(marker);
    auto child = spawnProcess(shell("sleep 0.2; echo done > '" + marker.string() + "'",
                                    StreamMode::Null, StreamMode::Null));
    ASSERT_TRUE(child.ok());
    child.value().release(Ending::Await);
    EXPECT_EQ(childrenLeftAfter(), std::vector<std::string>{});
    EXPECT_TRUE(std::filesystem::exists(marker));
    std::filesystem::remove(marker);
}

} // namespace
} // namespace brimlow
