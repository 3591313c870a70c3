#include "io/FileOutputStream.h"
#include "io/IOException.h"

#include "LogCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using io::FileOutputStream;
using lang::String;

namespace {

const std::string kOld = "the settings saved last time\n";

} // namespace

TEST(AtomicSave, KilledWriterLeavesTheOldFile)
{
    TempDir dir;
    dir.write("settings.lua", kOld);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileOutputStream out(String(dir / "settings.lua"));
        std::string chunk(4096, 'n');
        for (int i = 0; i < 64; ++i)
            out.write(chunk.data(), static_cast<int>(chunk.size()));
        raise(SIGKILL); // in the middle of saving
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(dir.read("settings.lua"), kOld);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"settings.lua"});
}

TEST(AtomicSave, CompletedWriteReplacesWhole)
{
    TempDir dir;
    dir.write("settings.lua", std::string(10000, 'o'));
    {
        FileOutputStream out(String(dir / "settings.lua"));
        out.write("short", 5);
        EXPECT_EQ(dir.read("settings.lua"), std::string(10000, 'o')); // not yet
    }
    EXPECT_EQ(dir.read("settings.lua"), "short");
    EXPECT_EQ(dir.list(), std::vector<std::string>{"settings.lua"});
}

TEST(AtomicSave, ExceptionWhileWritingKeepsTheOldFile)
{
    TempDir dir;
    dir.write("highscores.lua", kOld);
    try {
        FileOutputStream out(String(dir / "highscores.lua"));
        out.write("half of the new", 15);
        throw std::runtime_error("the table writer failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(dir.read("highscores.lua"), kOld);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"highscores.lua"});
}

TEST(AtomicSave, DevicesAreWrittenInPlaceAndFailuresReported)
{
    // A device is never replaced by a file; a full one reports the failed write.
    struct stat before;
    ASSERT_EQ(stat("/dev/full", &before), 0);
    ASSERT_TRUE(S_ISCHR(before.st_mode));
    LogCapture quiet;
    EXPECT_THROW(
        {
            FileOutputStream out("/dev/full");
            std::string chunk(1 << 16, 'x');
            out.write(chunk.data(), static_cast<int>(chunk.size()));
            out.close();
        },
        io::IOException);
    struct stat after;
    ASSERT_EQ(stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
}

TEST(AtomicSave, SymbolicLinksAreFollowed)
{
    TempDir dir;
    dir.write("real.lua", kOld);
    ASSERT_EQ(symlink((dir / "real.lua").c_str(), (dir / "link.lua").c_str()), 0);
    {
        FileOutputStream out(String(dir / "link.lua"));
        out.write("new", 3);
    }
    EXPECT_EQ(dir.read("real.lua"), "new");
    struct stat info;
    ASSERT_EQ(lstat((dir / "link.lua").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}
