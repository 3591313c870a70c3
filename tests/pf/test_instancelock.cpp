#include "pf/InstanceLock.h"

#include "pf/Process.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

/// Runs the test with $XDG_RUNTIME_DIR in a directory of its own.
class InstanceLockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* previous = std::getenv("XDG_RUNTIME_DIR");
        m_hadRuntime = previous != nullptr;
        m_previous = previous ? previous : "";
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (m_hadRuntime)
            setenv("XDG_RUNTIME_DIR", m_previous.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }

    TempDir runtime;

private:
    bool m_hadRuntime = false;
    std::string m_previous;
};

/// Whether another process, asking now, gets the lock called name.
bool anotherProcessClaims(const char* name)
{
    const pid_t child = fork();
    if (child == 0) {
        pf::InstanceLock lock(name);
        _exit(lock.claimed() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        ADD_FAILURE() << "the second process did not run";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST_F(InstanceLockTest, TheLockFileIsNamedForTheProgramPath)
{
    pf::InstanceLock lock("/usr/games/demo");
    EXPECT_TRUE(lock.claimed());
    EXPECT_EQ(runtime.list(), std::vector<std::string>{"pelterra_usr_games_demo.lock"});
}

TEST_F(InstanceLockTest, ALockHeldHereIsRefusedToASecondProcess)
{
    {
        pf::InstanceLock lock("/opt/game/run");
        ASSERT_TRUE(lock.claimed());
        EXPECT_FALSE(anotherProcessClaims("/opt/game/run"));
        EXPECT_FALSE(anotherProcessClaims("_opt_game_run")); // the same file
        EXPECT_TRUE(anotherProcessClaims("/opt/game/other"));
    }
    EXPECT_TRUE(anotherProcessClaims("/opt/game/run"));
}

TEST_F(InstanceLockTest, AKilledHolderLeavesTheLockFree)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        pf::InstanceLock lock("/opt/game/run");
        const char claimed = lock.claimed() ? 'y' : 'n';
        if (write(ready[1], &claimed, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char claimed = 0;
    ASSERT_EQ(read(ready[0], &claimed, 1), 1);
    close(ready[0]);
    EXPECT_EQ(claimed, 'y');
    EXPECT_FALSE(pf::InstanceLock("/opt/game/run").claimed());
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(pf::InstanceLock("/opt/game/run").claimed());
}

TEST_F(InstanceLockTest, AProgramStartedWhileTheLockIsHeldDoesNotKeepIt)
{
    TempDir dir;
    lang::Array<lang::String> arguments;
    arguments.add("-c");
    arguments.add(("while [ -d '" + dir.path() + "' ]; do sleep 0.02; done").c_str());
    {
        pf::InstanceLock lock("/opt/game/run");
        ASSERT_TRUE(lock.claimed());
        EXPECT_EQ(pf::Process::run("/bin/sh", arguments, 0), pf::Process::STILL_RUNNING);
        EXPECT_TRUE(pf::Process::startDetached("/bin/sh", arguments));
    }
    // Both programs run on until dir goes; the waiter of the first lets go of its copies
    // just after starting it.
    bool claimed = false;
    for (int i = 0; i < 100 && !claimed; ++i) {
        claimed = anotherProcessClaims("/opt/game/run");
        if (!claimed)
            usleep(10000);
    }
    EXPECT_TRUE(claimed);
}

TEST_F(InstanceLockTest, WithoutAPlaceForTheLockFileEveryCopyRuns)
{
    setenv("XDG_RUNTIME_DIR", (runtime / "missing").c_str(), 1);
    pf::InstanceLock lock("/opt/game/run");
    EXPECT_TRUE(lock.claimed());
    EXPECT_TRUE(anotherProcessClaims("/opt/game/run"));
}
