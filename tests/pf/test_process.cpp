#include "pf/Process.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

lang::Array<lang::String> list(std::initializer_list<const char*> texts)
{
    lang::Array<lang::String> array;
    for (const char* text : texts)
        array.add(text);
    return array;
}

/// A shell script in dir, executable.
std::string script(const TempDir& dir, const std::string& name, const std::string& body)
{
    dir.write(name, "#!/bin/sh\n" + body);
    chmod((dir / name).c_str(), 0755);
    return dir / name;
}

/// Waits up to five seconds for dir/name to hold a whole line.
std::string awaitLine(const TempDir& dir, const std::string& name)
{
    for (int i = 0; i < 500; ++i) {
        const std::string text = dir.read(name);
        if (!text.empty() && text.back() == '\n')
            return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return dir.read(name);
}

/// Whether this process has a child, running or ended, left to reap.
bool hasChildren()
{
    return !(waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD);
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST(Process, ProgramPathIsTheRealPathOfThisExecutable)
{
    char expected[PATH_MAX];
    ASSERT_NE(realpath(TEST_PF_EXECUTABLE, expected), nullptr);
    EXPECT_EQ(pf::Process::programPath().str(), expected);
}

TEST(Process, TheWorkingDirectoryChangesAndAMissingOneIsRefusedWithItsReason)
{
    TempDir dir;
    const lang::String before = pf::Process::workingDirectory();
    char real[PATH_MAX];
    ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
    lang::String reason;
    ASSERT_TRUE(pf::Process::changeWorkingDirectory(dir.path(), &reason));
    EXPECT_EQ(pf::Process::workingDirectory().str(), real);
    EXPECT_FALSE(pf::Process::changeWorkingDirectory(dir / "missing", &reason));
    EXPECT_EQ(reason.str(), "No such file or directory");
    EXPECT_EQ(pf::Process::workingDirectory().str(), real);
    ASSERT_TRUE(pf::Process::changeWorkingDirectory(before, &reason));
}

TEST(Process, ArgumentsArriveAsGivenWithoutAShell)
{
    TempDir dir;
    const std::string program = script(dir, "args", "printf '[%s]\\n' \"$@\" > '" + (dir / "out") + "'\nexit 0\n");
    EXPECT_EQ(pf::Process::run(program.c_str(), list({"a b", "\"q\"", "$HOME", "; touch x", "*", ""}),
                               pf::Process::NO_LIMIT),
              0);
    EXPECT_EQ(dir.read("out"), "[a b]\n[\"q\"]\n[$HOME]\n[; touch x]\n[*]\n[]\n");
}

TEST(Process, RunReadsBackTheExitCode)
{
    EXPECT_EQ(pf::Process::run("/bin/sh", list({"-c", "exit 42"}), pf::Process::NO_LIMIT), 42);
    EXPECT_EQ(pf::Process::run("/bin/sh", list({"-c", "sleep 0.2; exit 255"}), 10000), 255);
    EXPECT_EQ(pf::Process::run("sh", list({"-c", "exit 0"}), 10000), 0); // found on PATH
    EXPECT_EQ(pf::Process::run("/bin/sh", list({"-c", "kill -9 $$"}), 10000), pf::Process::KILLED);
    EXPECT_FALSE(hasChildren());
}

TEST(Process, AProgramThatCannotStartIsToldApartFromItsExitCode)
{
    TempDir dir;
    dir.write("plain", "#!/bin/sh\nexit 0\n"); // not executable
    // Executable, but no format the system runs: exec itself fails, after the fork.
    dir.write("garbage", "\x7f" "ELF\x01\x02\x03 not a program");
    chmod((dir / "garbage").c_str(), 0755);
    for (const std::string& program : {dir / "missing", dir / "plain", dir / "garbage", dir.path(),
                                       std::string("pelterra-no-such-program"), std::string()}) {
        EXPECT_EQ(pf::Process::run(program.c_str(), list({}), 10000), pf::Process::NOT_STARTED) << program;
        EXPECT_FALSE(pf::Process::startDetached(program.c_str(), list({}))) << program;
    }
    EXPECT_FALSE(hasChildren());
}

TEST(Process, ABoundedWaitReturnsWhileTheProgramRunsOn)
{
    TempDir dir;
    const std::string program = script(dir, "slow",
                                       "echo started > \"$1/started\"\n"
                                       "while [ -d \"$1\" ] && [ ! -e \"$1/stop\" ]; do sleep 0.02; done\n"
                                       "echo ended > \"$1/ended\"\n"
                                       "exit 5\n");
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(pf::Process::run(program.c_str(), list({dir.path().c_str()}), 300), pf::Process::STILL_RUNNING);
    const double waited = secondsSince(start);
    EXPECT_GE(waited, 0.3);
    EXPECT_LT(waited, 3.0);
    EXPECT_EQ(awaitLine(dir, "started"), "started\n");
    EXPECT_EQ(dir.read("ended"), "");
    EXPECT_FALSE(hasChildren()); // it runs on, detached: nothing here to reap
    dir.write("stop", "");
    EXPECT_EQ(awaitLine(dir, "ended"), "ended\n");
    EXPECT_FALSE(hasChildren());
}

TEST(Process, ADetachedProgramRunsOnAfterTheStartReturns)
{
    TempDir dir;
    const std::string program = script(dir, "background",
                                       "echo $PPID > \"$1/parent\"\n"
                                       "streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
                                       "echo \"$streams\" > \"$1/streams\"\n"
                                       "echo \"$2\" > \"$1/argument\"\n"
                                       "while [ -d \"$1\" ] && [ ! -e \"$1/stop\" ]; do sleep 0.02; done\n"
                                       "echo ended > \"$1/ended\"\n");
    const Clock::time_point start = Clock::now();
    EXPECT_TRUE(pf::Process::startDetached(program.c_str(), list({dir.path().c_str(), "two words"})));
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_FALSE(hasChildren());
    EXPECT_EQ(awaitLine(dir, "argument"), "two words\n");
    EXPECT_NE(std::atoi(dir.read("parent").c_str()), getpid());
    EXPECT_EQ(dir.read("streams"), "/dev/null\n/dev/null\n/dev/null\n");
    EXPECT_EQ(dir.read("ended"), "");
    dir.write("stop", "");
    EXPECT_EQ(awaitLine(dir, "ended"), "ended\n");
}

TEST(Process, ADetachedProgramIsFoundOnThePathAsItIsThen)
{
    TempDir dir;
    script(dir, "pelterra-test-opener", "echo \"$1\" > \"$2\"\n");
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    setenv("PATH", ("/nonexistent::" + dir.path() + ":" + saved).c_str(), 1);
    const bool started =
        pf::Process::startDetached("pelterra-test-opener", list({"https://example.org/?a=1&b=2", (dir / "out").c_str()}));
    setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(started);
    EXPECT_EQ(awaitLine(dir, "out"), "https://example.org/?a=1&b=2\n");
    EXPECT_FALSE(pf::Process::startDetached("pelterra-test-opener", list({})));
}
