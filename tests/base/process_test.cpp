#include "base/children.h"
#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <pthread.h>
#include <set>
#include <sys/wait.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;
using test_support::childrenLeftAfter;
using enum StreamMode;

SpawnRequest shell(const std::string& script, StreamMode input, StreamMode output,
                   StreamMode errors = Null) {
    return SpawnRequest{"/bin/sh", {"-c", script}, {"PATH=/usr/bin:/bin"}, input, output, errors};
}

int exitCode(ChildProcess& child) {
    auto status = child.wait();
    return status.ok() && WIFEXITED(status.value()) ? WEXITSTATUS(status.value()) : -1;
}

// Every test here must leave neither a child nor a descriptor behind.
class ProcessTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(childrenLeftAfter(), std::vector<std::string>{});
        EXPECT_EQ(test_support::openFdCount(), m_fdsBefore);
    }
    int m_fdsBefore = test_support::openFdCount();
};

TEST_F(ProcessTest, StreamsAreConnectedAsRequested) {
    auto child =
        spawnProcess(shell("read line; echo \"got $line\"; echo oops >&2; cat", Pipe, Pipe, Pipe));
    ASSERT_TRUE(child.ok()) << child.error().message();
    ASSERT_TRUE(writeAll(child.value().input().get(), "hi\nrest").ok());
    ASSERT_TRUE(child.value().input().close().ok());
    EXPECT_EQ(readToEnd(child.value().output()), "got hi\nrest");
    EXPECT_EQ(readToEnd(child.value().errors()), "oops\n");
    EXPECT_EQ(exitCode(child.value()), 0);

    // The null device gives end of input at once and swallows output.
    auto quiet = spawnProcess(shell("cat; echo visible; echo hidden >&2; exit 7", Null, Pipe));
    ASSERT_TRUE(quiet.ok());
    EXPECT_EQ(readToEnd(quiet.value().output()), "visible\n");
    EXPECT_EQ(exitCode(quiet.value()), 7);
}

TEST_F(ProcessTest, ChildSeesOnlyItsStandardStreamsAndInheritableOnes) {
    std::set<std::string> allowed{"0", "1", "2"};
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int flags = fcntl(std::stoi(entry.path().filename()), F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC))
            allowed.insert(entry.path().filename());
    }
    // A pipe made for something else must not reach the child either.
    auto unrelated = makePipe();
    auto child = spawnProcess(shell("ls /proc/$$/fd", Pipe, Pipe, Pipe));
    ASSERT_TRUE(unrelated.ok() && child.ok());
    std::istringstream listing(readToEnd(child.value().output()));
    EXPECT_EQ(exitCode(child.value()), 0);
    std::set<std::string> seen{std::istream_iterator<std::string>(listing), {}};
    for (const auto& fd : seen)
        EXPECT_TRUE(allowed.count(fd)) << "descriptor " << fd << " leaked into the child";
}

TEST_F(ProcessTest, ChildStartsWithSigpipeAtDefaultAndNothingBlocked) {
    // The calling thread blocks SIGPIPE and the program ignores it; neither
    // may carry over into the child.
    sigset_t pipeOnly, previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    auto oldHandler = signal(SIGPIPE, SIG_IGN);
    auto child = spawnProcess(SpawnRequest{"/bin/cat", {"/proc/self/status"}, {}, Null, Pipe});
    signal(SIGPIPE, oldHandler);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(child.ok());
    std::string status = readToEnd(child.value().output());
    EXPECT_EQ(exitCode(child.value()), 0);
    // Signal sets as hexadecimal masks, e.g. "SigIgn:\t0000000000001000".
    EXPECT_NE(status.find("SigBlk:\t0000000000000000\n"), std::string::npos) << status;
    auto ignored = std::stoull(status.substr(status.find("SigIgn:\t") + 8, 16), nullptr, 16);
    EXPECT_EQ(ignored & (1u << (SIGPIPE - 1)), 0u) << status;
}

TEST_F(ProcessTest, ReleasedChildrenEndAsAskedWithoutBlockingAndAreReaped) {
    TempDir dir;
    auto sleeper = spawnProcess(shell("exec sleep 30", Pipe, Pipe));
    auto stubborn = spawnProcess(shell("trap '' TERM; exec sleep 30", Null, Null));
    auto finisher =
        spawnProcess(shell("sleep 0.2; echo done > '" + dir / "marker" + "'", Null, Null));
    ASSERT_TRUE(sleeper.ok() && stubborn.ok() && finisher.ok());
    std::this_thread::sleep_for(100ms); // let the shell install its trap
    auto start = std::chrono::steady_clock::now();
    sleeper.value().release(Ending::Terminate);
    stubborn.value().release(Ending::Terminate, 300ms);
    finisher.value().release(Ending::Await);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_EQ(sleeper.value().pid(), -1);
    EXPECT_EQ(childrenLeftAfter(2s), std::vector<std::string>{});
    // The last went only once the grace period was over: SIGTERM alone did
    // not end it, and SIGKILL waited for the grace period.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
    EXPECT_TRUE(std::filesystem::exists(dir / "marker")); // the awaited one was left to finish
}

} // namespace
} // namespace brimlow
