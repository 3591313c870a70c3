#include "pf/FileSystem.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The permission bits of path, or -1 when nothing is there.
int permissions(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

bool isDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

TEST(FileSystem, ADirectoryIsMadeOnceAndOnlyUnderAnExistingParent)
{
    TempDir dir;
    const mode_t mask = umask(022);
    EXPECT_TRUE(pf::FileSystem::createDirectory((dir / "saves").c_str()));
    umask(mask);
    EXPECT_TRUE(isDirectory(dir / "saves"));
    EXPECT_EQ(permissions(dir / "saves"), 0755);
    EXPECT_FALSE(pf::FileSystem::createDirectory((dir / "saves").c_str()));
    EXPECT_FALSE(pf::FileSystem::createDirectory((dir / "missing/saves").c_str()));
    EXPECT_EQ(permissions(dir / "missing"), -1);
    dir.write("file", "x");
    EXPECT_FALSE(pf::FileSystem::createDirectory((dir / "file").c_str()));
    EXPECT_FALSE(isDirectory(dir / "file"));
}

TEST(FileSystem, ExistsForFilesDirectoriesAndLinksToThem)
{
    TempDir dir;
    dir.write("file", "");
    ASSERT_EQ(mkdir((dir / "directory").c_str(), 0700), 0);
    ASSERT_EQ(symlink((dir / "file").c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
    EXPECT_TRUE(pf::FileSystem::exists((dir / "file").c_str()));
    EXPECT_TRUE(pf::FileSystem::exists((dir / "directory").c_str()));
    EXPECT_TRUE(pf::FileSystem::exists((dir / "link").c_str()));
    EXPECT_TRUE(pf::FileSystem::exists("/dev/null"));
    EXPECT_FALSE(pf::FileSystem::exists((dir / "dangling").c_str()));
    EXPECT_FALSE(pf::FileSystem::exists((dir / "gone").c_str()));
    EXPECT_FALSE(pf::FileSystem::exists((dir / "file/below").c_str()));
    EXPECT_FALSE(pf::FileSystem::exists(""));
}

TEST(FileSystem, RenameReplacesTheTargetAndSaysWhyItFailed)
{
    TempDir dir;
    dir.write("new", "new bytes");
    dir.write("old", "old bytes");
    lang::String reason;
    EXPECT_TRUE(pf::FileSystem::rename((dir / "new").c_str(), (dir / "old").c_str(), &reason));
    EXPECT_EQ(dir.read("old"), "new bytes");
    EXPECT_FALSE(pf::FileSystem::exists((dir / "new").c_str()));

    EXPECT_FALSE(pf::FileSystem::rename((dir / "new").c_str(), (dir / "other").c_str(), &reason));
    EXPECT_EQ(reason.str(), "No such file or directory");
    ASSERT_EQ(mkdir((dir / "directory").c_str(), 0700), 0);
    dir.write("directory/inside", "");
    EXPECT_FALSE(pf::FileSystem::rename((dir / "old").c_str(), (dir / "directory").c_str(), &reason));
    EXPECT_EQ(reason.str(), "Is a directory");
    EXPECT_EQ(dir.read("old"), "new bytes");
    EXPECT_EQ(dir.read("directory/inside"), "");
}
