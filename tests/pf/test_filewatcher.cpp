#include "pf/FileWatcher.h"

#include "LogCapture.h"
#include "TempDir.h"

#include "lang/Exception.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

using Clock = std::chrono::steady_clock;
using Names = std::vector<std::string>;

namespace {

Names names(const lang::Array<lang::String>& paths)
{
    Names out;
    for (const lang::String& path : paths)
        out.push_back(path.str());
    return out;
}

/// The process's processor time so far (user and system), in milliseconds.
double cpuMilliseconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long millisecondsSince(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

/// Waits for the worker to have queued everything that was saved up to now.
Names settle(pf::FileWatcher& watcher)
{
    watcher.waitForChange(500);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return names(watcher.takeChanges());
}

} // namespace

TEST(FileWatcher, ASavedFileIsReportedWithinHalfASecond)
{
    TempDir dir;
    mkdir((dir / "scripts").c_str(), 0755);
    pf::FileWatcher watcher(dir.path());
    const Clock::time_point saved = Clock::now();
    dir.write("scripts/gamelogic.lua", "function update() end");
    ASSERT_TRUE(watcher.waitForChange(500));
    EXPECT_LT(millisecondsSince(saved), 500);
    EXPECT_EQ(names(watcher.takeChanges()), (Names{"scripts/gamelogic.lua"}));
    EXPECT_TRUE(watcher.takeChanges().isEmpty()); // taken once
}

TEST(FileWatcher, NothingChangedIsNothingReportedAndTheWorkerSleeps)
{
    TempDir dir;
    dir.write("levels.lua", "x = 1");
    pf::FileWatcher watcher(dir.path());
    // Reading is not saving.
    EXPECT_EQ(dir.read("levels.lua"), "x = 1");
    const double before = cpuMilliseconds();
    EXPECT_FALSE(watcher.waitForChange(400));
    // A worker that polled would spend the whole wait on the processor; a blocked one nothing.
    EXPECT_LT(cpuMilliseconds() - before, 40.0);
    EXPECT_TRUE(watcher.takeChanges().isEmpty());
}

TEST(FileWatcher, SavesAreReportedOnceInTheOrderOfTheFirstAndSettleFirst)
{
    TempDir dir;
    pf::FileWatcher watcher(dir.path());
    dir.write("a.lua", "1");
    dir.write("b.lua", "2");
    dir.write("a.lua", "3");
    EXPECT_EQ(settle(watcher), (Names{"a.lua", "b.lua"}));

    // Still being written: it waits until the quiet time has passed since its last save.
    dir.write("c.lua", "4");
    ASSERT_TRUE(watcher.waitForChange(500));
    EXPECT_TRUE(watcher.takeChanges(300).isEmpty());
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    EXPECT_EQ(names(watcher.takeChanges(300)), (Names{"c.lua"}));
}

TEST(FileWatcher, FilesMovedInAndDirectoriesMadeLaterCount)
{
    TempDir dir;
    mkdir((dir / "levels").c_str(), 0755);
    pf::FileWatcher watcher(dir.path());
    // An editor's way: a hidden copy renamed over the file. The copy itself is not reported.
    dir.write("levels/.one.lua.tmp", "world = {}");
    ASSERT_EQ(std::rename((dir / "levels/.one.lua.tmp").c_str(), (dir / "levels/one.lua").c_str()), 0);
    EXPECT_EQ(settle(watcher), (Names{"levels/one.lua"}));

    // A directory made after the start, and one moved in with a file already inside.
    mkdir((dir / "sprites").c_str(), 0755);
    settle(watcher);
    dir.write("sprites/game.dat", "sheet");
    EXPECT_EQ(settle(watcher), (Names{"sprites/game.dat"}));
    TempDir outside;
    mkdir((outside / "fonts").c_str(), 0755);
    outside.write("fonts/body.dat", "font");
    ASSERT_EQ(std::system(("mv '" + (outside / "fonts") + "' '" + dir.path() + "/'").c_str()), 0);
    EXPECT_EQ(settle(watcher), (Names{"fonts/body.dat"}));
    dir.write("fonts/body.dat", "font 2");
    EXPECT_EQ(settle(watcher), (Names{"fonts/body.dat"}));
}

TEST(FileWatcher, AMissingDirectoryIsRefusedByName)
{
    LogCapture quiet;
    try {
        pf::FileWatcher watcher("/nonexistent/pelterra-data");
        ADD_FAILURE() << "watched a missing directory";
    } catch (const lang::Exception& e) {
        EXPECT_EQ(e.getMessage(), "Can't watch /nonexistent/pelterra-data: No such file or directory");
    }
}

TEST(FileWatcher, StopsAtOnceWhileBlocked)
{
    TempDir dir;
    auto* watcher = new pf::FileWatcher(dir.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the worker is in its wait by now
    const Clock::time_point start = Clock::now();
    delete watcher;
    EXPECT_LT(millisecondsSince(start), 100);
}
