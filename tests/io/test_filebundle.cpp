#include "io/DataCorruptedException.h"
#include "io/FileBundle.h"
#include "io/FileInputStream.h"

#include "LogCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <random>

using namespace io;
using lang::String;

namespace {

/// A container of 2000 bytes where byte i holds i % 251, and a bundle installed for the
/// test's life.
class Bundle : public ::testing::Test
{
protected:
    TempDir dir;
    lang::Ptr<FileBundle> bundle = new FileBundle;
    LogCapture quiet;

    void SetUp() override
    {
        std::string pack;
        for (int i = 0; i < 2000; ++i)
            pack += static_cast<char>(i % 251);
        dir.write("pack0.dat", pack);
    }
    void TearDown() override { FileBundle::install(nullptr); }

    void load(const std::string& index)
    {
        dir.write("bundleIndex.idx", index);
        bundle->load(String(dir.path()), String(dir / "bundleIndex.idx"));
        FileBundle::install(bundle.ptr());
    }
    std::string readAll(const std::string& name)
    {
        FileInputStream in{String(name)};
        std::string out;
        char buffer[64];
        for (int n; (n = in.read(buffer, sizeof(buffer))) > 0;)
            out.append(buffer, static_cast<size_t>(n));
        return out;
    }
    static std::string window(int offset, int size)
    {
        std::string out;
        for (int i = offset; i < offset + size; ++i)
            out += static_cast<char>(i % 251);
        return out;
    }
    std::string loadFailure(const std::string& index)
    {
        try {
            lang::Ptr<FileBundle> other = new FileBundle;
            dir.write("bad.idx", index);
            other->load(String(dir.path()), String(dir / "bad.idx"));
        } catch (const DataCorruptedException& e) {
            return e.getMessage().str();
        }
        return "(loaded)";
    }
};

} // namespace

TEST_F(Bundle, EntryDeliversItsWindowAndNoMore)
{
    load("pack0.dat,levels/level1.lua,1024,77\npack0.dat,levels/level2.lua,1101,10\n");
    const std::string name = dir / "levels/level1.lua";
    FileInputStream in{String(name)};
    EXPECT_EQ(in.available(), 77);
    char buffer[200];
    EXPECT_EQ(in.read(buffer, 200), 77);
    EXPECT_EQ(std::string(buffer, 77), window(1024, 77));
    EXPECT_EQ(in.read(buffer, 200), 0);
    EXPECT_EQ(in.available(), 0);
    EXPECT_EQ(in.skip(5), 0);

    EXPECT_TRUE(in.seek(0, 0));
    EXPECT_EQ(in.available(), 77);
    EXPECT_EQ(in.read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], static_cast<char>(1024 % 251));
    EXPECT_EQ(in.skip(6), 6);
    EXPECT_EQ(in.available(), 70);
    EXPECT_TRUE(in.seek(-10, 2));
    EXPECT_EQ(in.available(), 10);
    EXPECT_EQ(in.read(buffer, 200), 10);
    EXPECT_EQ(std::string(buffer, 10), window(1091, 10));
    // Neither seek reaches the neighbouring entry's bytes.
    EXPECT_FALSE(in.seek(78, 0));
    EXPECT_FALSE(in.seek(-1, 0));
    EXPECT_EQ(in.toString().str(), name);
    EXPECT_EQ(readAll(dir / "levels/level2.lua"), window(1101, 10));
}

TEST_F(Bundle, IndexSyntax)
{
    // CR LF lines, blank lines, no final line feed, a blank inside a name, a later entry
    // overriding an earlier one.
    load("pack0.dat,a.lua,0,5\r\n\n\n"
         "pack0.dat,my file.txt,10,3\r\n"
         "pack0.dat,a.lua,20,4");
    EXPECT_EQ(bundle->size(), 2);
    EXPECT_EQ(readAll(dir / "a.lua"), window(20, 4));
    EXPECT_EQ(readAll(dir / "my file.txt"), window(10, 3));
    EXPECT_EQ(bundle->getOffset(String(dir / "my file.txt")), 10);
    EXPECT_EQ(bundle->getFile(String(dir / "a.lua")).str(), dir / "pack0.dat");
    EXPECT_THROW(bundle->getSize("nope"), lang::Exception);
}

TEST_F(Bundle, MissesFallBackToLooseFiles)
{
    load("pack0.dat,gfx/Sprite.png,0,5\n");
    dir.write("gfx_loose.txt", "loose");
    EXPECT_EQ(readAll(dir / "gfx_loose.txt"), "loose");
    // Letter case and unnormalised separators miss the bundle.
    EXPECT_THROW(FileInputStream{String(dir / "gfx/sprite.png")}, IOException);
    EXPECT_THROW(FileInputStream{String(dir.path() + "\\gfx\\Sprite.png")}, IOException);
    EXPECT_EQ(readAll(dir / "gfx/Sprite.png"), window(0, 5));
}

TEST_F(Bundle, MalformedIndicesAreRejectedWhole)
{
    EXPECT_EQ(loadFailure(""), "FileBundle corrupted");
    EXPECT_EQ(loadFailure(",\n,\n"), "FileBundle corrupted");
    EXPECT_EQ(loadFailure("pack0.dat,a,0,5\npack0.dat,b,5"), "FileBundle corrupted");
    EXPECT_EQ(loadFailure("pack0.dat,a,-4,5"), "FileBundle corrupted");
    EXPECT_EQ(loadFailure("pack0.dat,a,0,-5"), "FileBundle corrupted");
    EXPECT_EQ(loadFailure("pack0.dat,a,x,y"), "(loaded)"); // no digits: 0, not detected
    EXPECT_THROW(bundle->load(String(dir.path()), String(dir / "missing.idx")), IOException);
}

TEST_F(Bundle, WindowPastTheContainerEndReadsShort)
{
    load("pack0.dat,tail.bin,1990,50\npack0.dat,beyond.bin,5000,10\n");
    FileInputStream tail{String(dir / "tail.bin")};
    EXPECT_EQ(tail.available(), 10);
    EXPECT_EQ(readAll(dir / "tail.bin"), window(1990, 10));
    EXPECT_EQ(readAll(dir / "beyond.bin"), "");
}

TEST_F(Bundle, RandomIndicesNeverCrash)
{
    std::mt19937 random(5);
    const char alphabet[] = "pack0.dat,\n\r 0123456789-ab/";
    for (int round = 0; round < 500; ++round) {
        std::string index;
        for (int n = random() % 80; n > 0; --n)
            index += alphabet[random() % (sizeof(alphabet) - 1)];
        try {
            lang::Ptr<FileBundle> other = new FileBundle;
            dir.write("random.idx", index);
            other->load(String(dir.path()), String(dir / "random.idx"));
        } catch (const IOException&) {
        }
    }
}
