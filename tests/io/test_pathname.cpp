#include "io/IOException.h"
#include "io/PathName.h"

#include "Failure.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <random>

using io::IOException;
using io::PathName;
using lang::String;

TEST(PathName, JoinsFoldsAndSplits)
{
    PathName p("data", "/levels/../gfx/a.png");
    EXPECT_STREQ(p.fullPath(), "data/gfx/a.png");
    EXPECT_STREQ(p.drive(), "");
    EXPECT_STREQ(p.directory(), "data/gfx/");
    EXPECT_STREQ(p.basename(), "a");
    EXPECT_STREQ(p.extension(), ".png");

    PathName windows("C:\\x\\y.z");
    EXPECT_STREQ(windows.fullPath(), "C:/x/y.z");
    EXPECT_STREQ(windows.drive(), "C:");
    EXPECT_STREQ(windows.directory(), "/x/");
    EXPECT_STREQ(windows.basename(), "y");
    EXPECT_STREQ(windows.extension(), ".z");
}

TEST(PathName, JoiningRules)
{
    EXPECT_STREQ(PathName("data/", "a.lua").fullPath(), "data/a.lua");
    EXPECT_STREQ(PathName("data\\", "\\a.lua").fullPath(), "data/a.lua");
    EXPECT_STREQ(PathName("data", "//a.lua").fullPath(), "data//a.lua"); // only one slash is dropped
    EXPECT_STREQ(PathName("", "/abs/a.lua").fullPath(), "/abs/a.lua");
    EXPECT_STREQ(PathName("dir", "").fullPath(), "dir/");
}

TEST(PathName, DotSegments)
{
    EXPECT_STREQ(PathName("a/./b").fullPath(), "a/b");
    EXPECT_STREQ(PathName("./a").fullPath(), "a");
    EXPECT_STREQ(PathName("a/b/../../c").fullPath(), "c");
    EXPECT_STREQ(PathName("../a/../b").fullPath(), "../a/../b"); // a leading ".." stops the scan
    EXPECT_STREQ(PathName("a/b/..").fullPath(), "a/b/..");       // nothing after it: kept
    EXPECT_STREQ(PathName("archive.tar.gz").extension(), ".gz");
    EXPECT_STREQ(PathName("dir.d/file").extension(), "");
    EXPECT_STREQ(PathName("dir.d/file").basename(), "file");
}

TEST(PathName, Parent)
{
    EXPECT_STREQ(PathName("data/gfx/font.dat").parent().fullPath(), "data/gfx");
    EXPECT_STREQ(PathName("data/gfx/").parent().fullPath(), "data");
    EXPECT_STREQ(PathName("file").parent().fullPath(), "");
}

TEST(PathName, LimitsAreChecked)
{
    std::string long250(250, 'p');
    EXPECT_EQ(messageOf<IOException>([&] { PathName p{String(long250)}; }), "Too long path name: \"" + long250 + "\"");
    std::string dir(200, 'd'), name(53, 'n');
    EXPECT_EQ(messageOf<IOException>([&] { PathName p{String(dir), String(name)}; }),
              "Too long path name: \"" + dir + "\" and \"" + name + "\"");
    // 249 characters pass the length rule but not the 500-byte pool: 250 for the path,
    // then 1 + 5 + 242 + 5 for drive, directory, base name and extension.
    std::string path = "dir/" + std::string(241, 'f') + ".ext";
    ASSERT_EQ(path.size(), 249u);
    EXPECT_EQ(messageOf<IOException>([&] { PathName p{String(path)}; }),
              "Path name buffer overflow, 503 bytes. Initial path name was \"" + path + "\".");
    PathName fits(String(std::string(240, 'f')));
    EXPECT_EQ(std::string(fits.basename()).size(), 240u);
}

TEST(PathName, RandomInputNeverBreaksIt)
{
    std::mt19937 random(3);
    const char alphabet[] = "ab./\\:.. ";
    for (int i = 0; i < 3000; ++i) {
        std::string dir, name;
        for (int n = random() % 40; n > 0; --n)
            dir += alphabet[random() % (sizeof(alphabet) - 1)];
        for (int n = random() % 300; n > 0; --n)
            name += alphabet[random() % (sizeof(alphabet) - 1)];
        try {
            LogCapture quiet;
            PathName p{String(dir), String(name)};
            std::string full = p.fullPath();
            EXPECT_EQ(full.find('\\'), std::string::npos);
            EXPECT_EQ(std::string(p.drive()) + p.directory() + p.basename() + p.extension(), full);
        } catch (const IOException&) {
        }
    }
}
