#include "io/AppData.h"
#include "io/AppDataInputStream.h"
#include "io/AppDataOutputStream.h"
#include "io/ByteArrayInputStream.h"
#include "io/ByteArrayOutputStream.h"
#include "io/DataInputStream.h"
#include "io/FileInputStream.h"
#include "io/FileNotFoundException.h"
#include "io/FileOutputStream.h"

#include "Failure.h"
#include "LogCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <random>

using namespace io;
using lang::String;

TEST(FileInputStream, ReadsSkipsSeeksAndMeasures)
{
    TempDir dir;
    dir.write("f.bin", "0123456789");
    FileInputStream in(String(dir / "f.bin"));
    char buffer[16] = {};
    EXPECT_EQ(in.available(), 10);
    EXPECT_EQ(in.read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(in.skip(2), 2);
    EXPECT_EQ(in.available(), 5);
    EXPECT_TRUE(in.seek(-2, 2));
    EXPECT_EQ(in.read(buffer, 16), 2);
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_EQ(in.skip(5), 0);
    EXPECT_TRUE(in.seek(1, 0));
    EXPECT_TRUE(in.seek(1, 1));
    EXPECT_EQ(in.read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], '2');
    EXPECT_FALSE(in.seek(0, 3));
    EXPECT_EQ(in.toString().str(), dir / "f.bin");
}

TEST(FileInputStream, OpenFailureShortensLongNames)
{
    std::string name128 = "/nonexistent/" + std::string(115, 'n');
    ASSERT_EQ(name128.size(), 128u);
    EXPECT_EQ(messageOf<IOException>([&] { FileInputStream in{String(name128)}; }), "Failed to open " + name128);
    std::string name129 = name128 + "x";
    EXPECT_EQ(messageOf<IOException>([&] { FileInputStream in{String(name129)}; }),
              "Failed to open ... " + name129.substr(name129.size() - 124));
}

TEST(FileInputStream, ADirectoryIsNotAFile)
{
    TempDir dir;
    EXPECT_EQ(messageOf<IOException>([&] { FileInputStream in{String(dir.path())}; }), "Failed to open " + dir.path());
}

TEST(ByteArrayInputStream, ReadsCopiesAndSeeksOutside)
{
    std::string bytes = "abcdef";
    ByteArrayInputStream in(bytes.data(), 6);
    bytes[0] = 'X'; // the stream holds its own copy
    char buffer[8];
    EXPECT_EQ(in.read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(in.skip(10), 2);
    EXPECT_TRUE(in.seek(-3, 2));
    EXPECT_EQ(in.available(), 3);
    EXPECT_TRUE(in.seek(100, 0));
    EXPECT_EQ(in.read(buffer, 4), 0);
    EXPECT_TRUE(in.seek(-100, 1));
    EXPECT_EQ(in.available(), 0);
    EXPECT_EQ(in.read(buffer, 4), 0);
    EXPECT_EQ(in.toString(), "ByteArrayInputStream");
    ByteArrayInputStream zeros(nullptr, 3, "named");
    EXPECT_EQ(zeros.read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), std::string(3, '\0'));
    EXPECT_EQ(zeros.toString(), "named");
}

TEST(DataInputStream, BigEndianNumbers)
{
    const unsigned char bytes[] = {0xff, 0xfe, 0x00, 0x00, 0x01, 0x00, 0x3f, 0x80, 0x00, 0x00,
                                   0x40, 0x09, 0x21, 0xfb, 0x54, 0x44, 0x2d, 0x18, 0x01, 0x00, 0x80};
    ByteArrayInputStream in(bytes, sizeof(bytes));
    DataInputStream data(&in);
    EXPECT_EQ(data.readShort(), -2);
    EXPECT_EQ(data.readInt(), 256);
    EXPECT_EQ(data.readFloat(), 1.0f);
    EXPECT_DOUBLE_EQ(data.readDouble(), 3.141592653589793);
    EXPECT_TRUE(data.readBoolean());
    EXPECT_FALSE(data.readBoolean());
    EXPECT_EQ(data.readUnsignedByte(), 0x80);
    EXPECT_EQ(data.position(), 21);
    EXPECT_EQ(messageOf<IOException>([&] { data.readByte(); }), "Unexpected end of file in ByteArrayInputStream.");
}

TEST(DataInputStream, Strings)
{
    std::string bytes = std::string("\x00\x00\x00\x04h\xc3\xa4!", 8) + std::string(300, 's');
    ByteArrayInputStream in(bytes.data(), static_cast<int>(bytes.size()), "strings");
    DataInputStream data(&in);
    EXPECT_EQ(data.readUTF(), "");
    EXPECT_EQ(data.readUTF(), "h\xc3\xa4!");
    String text;
    data.readString(text, 300);
    EXPECT_EQ(text.length(), 300);
    data.readString(text, -1);
    EXPECT_EQ(text, "");

    std::string tooLong = "\x80\x00";
    ByteArrayInputStream bad(tooLong.data(), 2, "bad.dat");
    DataInputStream badData(&bad);
    EXPECT_EQ(messageOf<IOException>([&] { badData.readUTF(); }), "Invalid UTF-8 data in bad.dat.");

    std::string five = std::string("\x00\x05", 2) + "abcde";
    ByteArrayInputStream small(five.data(), 7, "small.dat");
    DataInputStream smallData(&small);
    char buffer[5];
    EXPECT_EQ(messageOf<IOException>([&] { smallData.readUTF(buffer, 5); }), "Too small buffer (5) for UTF-8 data in small.dat.");
    small.seek(0, 0);
    char fits[6];
    EXPECT_EQ(smallData.readUTF(fits, 6), 5);
    EXPECT_STREQ(fits, "abcde");
}

TEST(DataInputStream, RandomBytesGiveValuesOrExceptions)
{
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (int n = random() % 40; n > 0; --n)
            bytes += static_cast<char>(random());
        ByteArrayInputStream in(bytes.data(), static_cast<int>(bytes.size()));
        DataInputStream data(&in);
        try {
            LogCapture quiet;
            for (int step = 0; step < 20; ++step) {
                switch (random() % 6) {
                case 0: data.readUTF(); break;
                case 1: data.readInt(); break;
                case 2: data.readDouble(); break;
                case 3: { char b[8]; data.readUTF(b, 8); break; }
                case 4: { String s; data.readString(s, static_cast<int>(random() % 10)); break; }
                case 5: data.skip(static_cast<int>(random() % 5)); break;
                }
            }
        } catch (const IOException&) {
        }
    }
}

TEST(OutputStreams, WriteToFilesAndMemory)
{
    TempDir dir;
    {
        FileOutputStream out(String(dir / "out.bin"));
        out.write("hello ", 6);
        out.write("world", 5);
        out.close();
    }
    EXPECT_EQ(dir.read("out.bin"), "hello world");
    EXPECT_EQ(messageOf<IOException>([&] { FileOutputStream out(String(dir / "missing/dir/x")); }),
              "Failed to open " + (dir / "missing/dir/x") + " for writing");
    try {
        LogCapture quiet;
        FileOutputStream out(String(dir / "missing/x"));
        FAIL();
    } catch (const FileNotFoundException&) {
    }

    ByteArrayOutputStream memory;
    memory.write("ab", 2);
    memory.write("cd", 2);
    EXPECT_EQ(memory.toBytes(), "abcd");
}

TEST(OutputStreams, AppDataStreamsUseTheProcessWidePath)
{
    TempDir dir;
    io::setApplicationDataPath(String(dir.path()));
    {
        AppDataOutputStream out("settings.lua");
        out.write("x = 1", 5);
    } // destruction after good writes saves
    EXPECT_EQ(dir.read("settings.lua"), "x = 1");
    AppDataInputStream in("settings.lua");
    EXPECT_EQ(in.available(), 5);
    char buffer[8];
    EXPECT_EQ(in.skip(2), 2);
    EXPECT_EQ(in.read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), "= 1");
    EXPECT_EQ(messageOf<IOException>([&] { AppDataInputStream missing("none.lua"); }), "Failed to open " + (dir / "none.lua"));
    io::setApplicationDataPath(String());
}
