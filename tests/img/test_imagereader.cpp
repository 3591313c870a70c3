#include "gr/GraphicsException.h"
#include "img/ImageReader.h"
#include "io/ByteArrayInputStream.h"
#include "io/FileInputStream.h"

#include "Failure.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <random>

using gr::PixelFormat;
using img::ImageReader;

namespace {

/// Decodes a whole image file into RGBA bytes (A8B8G8R8 in memory order).
std::string decode(const std::string& path, int* width = nullptr, int* height = nullptr)
{
    io::FileInputStream in{lang::String(path)};
    ImageReader reader(&in, ImageReader::fileType(lang::String(path)));
    std::string pixels(static_cast<size_t>(reader.width()) * reader.height() * 4, '\0');
    reader.readSurface(&pixels[0], reader.width() * 4, PixelFormat::A8B8G8R8);
    if (width)
        *width = reader.width();
    if (height)
        *height = reader.height();
    return pixels;
}

std::string decodeBytes(const std::string& bytes, int type)
{
    io::ByteArrayInputStream in(bytes.data(), static_cast<int>(bytes.size()), "test image");
    ImageReader reader(&in, type);
    std::string pixels(static_cast<size_t>(reader.width()) * reader.height() * 4, '\0');
    reader.readSurface(&pixels[0], reader.width() * 4, PixelFormat::A8B8G8R8);
    return pixels;
}

std::string refusal(const std::string& bytes, int type)
{
    return messageOf<gr::GraphicsException>([&] { decodeBytes(bytes, type); });
}

class ReferenceImages : public ::testing::Test
{
protected:
    TempDir dir;
    void SetUp() override
    {
        // Debian's PIL sits with Debian's Python, which the python3 on PATH may not see.
        const std::string command = "/usr/bin/python3 '" TEST_SOURCE_DIR "/img/make_images.py' '" + dir.path() + "'";
        if (std::system(command.c_str()) != 0)
            GTEST_SKIP() << "no /usr/bin/python3 with PIL (python3-pil): scripts/setup.sh installs it";
    }
};

void put16(std::string& s, int v)
{
    s += char(v & 0xff);
    s += char((v >> 8) & 0xff);
}

void put32(std::string& s, uint32_t v)
{
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

std::string tgaHeader(int type, int bits, int width, int height, int descriptor = 0x20)
{
    std::string h(18, '\0');
    h[2] = char(type);
    h[12] = char(width & 0xff), h[13] = char(width >> 8);
    h[14] = char(height & 0xff), h[15] = char(height >> 8);
    h[16] = char(bits);
    h[17] = char(descriptor);
    return h;
}

} // namespace

TEST_F(ReferenceImages, EveryFormatMatchesPil)
{
    for (const char* name : {"rgba.png", "rgb.png", "grey.png", "greyalpha.png", "palette.png", "rgb.tga", "rgba.tga",
                             "rle.tga", "palette.tga", "rgb.bmp", "palette.bmp"}) {
        int width = 0, height = 0;
        const std::string ours = decode(dir / name, &width, &height);
        EXPECT_EQ(width, 13) << name;
        EXPECT_EQ(height, 7) << name;
        EXPECT_EQ(ours, dir.read(std::string(name) + ".rgba")) << name;
    }
    // JPEG is lossy: both decoders use libjpeg, but may upsample chroma differently.
    const std::string ours = decode(dir / "rgb.jpg"), theirs = dir.read("rgb.jpg.rgba");
    ASSERT_EQ(ours.size(), theirs.size());
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        worst = std::max(worst, std::abs(int(uint8_t(ours[i])) - int(uint8_t(theirs[i]))));
    EXPECT_LE(worst, 8);
    EXPECT_EQ(messageOf<gr::GraphicsException>([&] { decode(dir / "grey.jpg"); }),
              "Grayscale JPG (" + (dir / "grey.jpg") + ") is not supported");
}

TEST_F(ReferenceImages, OtherDestinationFormats)
{
    io::FileInputStream in{lang::String(dir / "rgba.png")};
    ImageReader reader(&in, ImageReader::TYPE_PNG);
    EXPECT_EQ(reader.format().type(), PixelFormat::A8B8G8R8);
    std::string argb(13 * 7 * 4, '\0');
    reader.readSurface(&argb[0], 13 * 4, PixelFormat::A8R8G8B8);
    const std::string rgba = dir.read("rgba.png.rgba");
    EXPECT_EQ(argb[0], rgba[2]); // blue first in A8R8G8B8
    EXPECT_EQ(argb[2], rgba[0]);
    EXPECT_EQ(argb[3], rgba[3]);
    io::FileInputStream in2{lang::String(dir / "palette.png")};
    ImageReader paletted(&in2, ImageReader::TYPE_PNG);
    EXPECT_EQ(paletted.format().type(), PixelFormat::P8);
    EXPECT_EQ(paletted.paletteFormat().type(), PixelFormat::A8R8G8B8);
}

TEST(ImageReader, FileTypes)
{
    EXPECT_EQ(ImageReader::fileType("sprite.PNG"), ImageReader::TYPE_PNG);
    EXPECT_EQ(ImageReader::fileType("a.tga"), ImageReader::TYPE_TGA);
    EXPECT_EQ(ImageReader::fileType(".png"), 0);
    EXPECT_EQ(ImageReader::fileType("x.ntx"), ImageReader::TYPE_NTX);
    EXPECT_EQ(refusal("abc", ImageReader::TYPE_GIF), "Unsupported image file format while reading test image");
}

TEST(ImageReader, HeaderMessages)
{
    EXPECT_EQ(refusal(tgaHeader(3, 4, 2, 2), ImageReader::TYPE_TGA), "Invalid bits per pixel in test image");
    EXPECT_EQ(refusal(tgaHeader(2, 24, 2, 2, 0x40), ImageReader::TYPE_TGA), "Invalid bits per pixel in test image");
    EXPECT_EQ(refusal(tgaHeader(2, 24, 2, 2), ImageReader::TYPE_TGA), "Failed to read 6 bytes from test image");
    std::string bmp = "BM" + std::string(12, '\0');
    put32(bmp, 108);
    EXPECT_EQ(refusal(bmp, ImageReader::TYPE_BMP), "BMP test image header corrupted, header wrong size");
    EXPECT_EQ(refusal("XX" + std::string(20, '\0'), ImageReader::TYPE_BMP), "BMP test image header corrupted, id invalid");
    std::string ntx;
    put16(ntx, 258);
    ntx += std::string(20, '\0');
    EXPECT_EQ(refusal(ntx, ImageReader::TYPE_NTX), "NTX file test image has incorrect version (258, expected to be from 259 to 260");
    EXPECT_EQ(refusal("not a png at all", ImageReader::TYPE_PNG),
              "png_check_sig failed while loading \"test image\". File is not png?");
}

TEST(ImageReader, EightBitBmpWithoutColourCountReads256Entries)
{
    std::string bmp = "BM";
    put32(bmp, 0);
    put32(bmp, 0);
    put32(bmp, 14 + 40 + 256 * 4);
    put32(bmp, 40);
    put32(bmp, 2), put32(bmp, 1), put16(bmp, 1), put16(bmp, 8), put32(bmp, 0), put32(bmp, 0), put32(bmp, 0),
        put32(bmp, 0), put32(bmp, 0), put32(bmp, 0);
    for (int i = 0; i < 256; ++i)
        bmp += std::string{char(i), char(255 - i), char(7), '\0'}; // B, G, R, X
    bmp += std::string{char(200), char(3), '\0', '\0'};           // one row, padded to 4
    const std::string pixels = decodeBytes(bmp, ImageReader::TYPE_BMP);
    EXPECT_EQ(pixels, std::string({7, char(55), char(200), char(255), 7, char(252), 3, char(255)}));
}

TEST(ImageReader, PvrLevelsAndNtx)
{
    std::string pvr;
    put32(pvr, 52);
    put32(pvr, 8), put32(pvr, 8), put32(pvr, 3), put32(pvr, 26), put32(pvr, 0), put32(pvr, 32);
    pvr += std::string(16, '\0');
    put32(pvr, 0), put32(pvr, 1);
    for (int level : {8, 4, 2, 1})
        pvr += std::string(size_t(level * level * 4), char(level));
    io::ByteArrayInputStream in(pvr.data(), static_cast<int>(pvr.size()), "levels.pvr");
    ImageReader reader(&in, ImageReader::TYPE_PVR);
    EXPECT_EQ(reader.mipLevels(), 4);
    EXPECT_EQ(reader.surfaceCount(), 4);
    for (int level : {8, 4, 2, 1}) {
        std::string out(size_t(level * level * 4), '\0');
        int w = 0, h = 0;
        reader.readSurface(&out[0], level * 4, PixelFormat::A8R8G8B8, &w, &h);
        EXPECT_EQ(w, level);
        EXPECT_EQ(h, level);
        EXPECT_EQ(out, std::string(size_t(level * level * 4), char(level)));
    }

    // NTX, version 260, 2 x 1, paletted with two R8G8B8 entries, Huffman-compressed. The
    // bytes 30 20 10 60 50 40 (palette) 01 00 (indices) are the 16-bit symbols 0x2030,
    // 0x6010, 0x4050, 0x0001, all with codes of length 2.
    std::string ntx;
    put16(ntx, 260), put16(ntx, 2), put16(ntx, 1), put16(ntx, PixelFormat::R8G8B8), put16(ntx, 2);
    ntx += char(2);
    ntx += std::string(3, '\0');
    put32(ntx, 4);
    ntx += char(1);
    ntx += char(2);
    put16(ntx, 4);
    for (int symbol : {0x2030, 0x6010, 0x4050, 0x0001})
        put16(ntx, symbol);
    // Canonical codes by symbol value: 0x0001=00, 0x2030=01, 0x4050=10, 0x6010=11; each
    // code's first bit first, packed from each byte's least significant bit.
    const int order[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}}; // 0x2030, 0x6010, 0x4050, 0x0001
    uint8_t packed = 0;
    int bit = 0;
    for (const auto& code : order)
        for (int b : code)
            packed = static_cast<uint8_t>(packed | (b << bit++));
    put32(ntx, 8);
    ntx += char(packed);
    EXPECT_EQ(packed, 0x1E);
    const std::string pixels = decodeBytes(ntx, ImageReader::TYPE_NTX);
    // Palette entry 1 (bytes 60 50 40 as R8G8B8: B=0x60, G=0x50, R=0x40) then entry 0.
    EXPECT_EQ(pixels, std::string({char(0x40), char(0x50), char(0x60), char(0xFF), char(0x10), char(0x20), char(0x30), char(0xFF)}));

    // Truncated or damaged, both give a picture or a message.
    std::mt19937 random(8);
    for (const std::string* file : {&pvr, &ntx}) {
        const int type = file == &pvr ? ImageReader::TYPE_PVR : ImageReader::TYPE_NTX;
        for (size_t cut = 0; cut < file->size(); ++cut)
            refusal(file->substr(0, cut), type);
        for (int round = 0; round < 500; ++round) {
            std::string damaged = *file;
            for (int n = 0; n < 3; ++n)
                damaged[random() % damaged.size()] = static_cast<char>(random());
            refusal(damaged, type);
        }
    }
}

TEST(ImageReader, AHugeHeaderFailsBeforeAllocating)
{
    std::string tga = tgaHeader(2, 32, 50000, 50000);
    EXPECT_EQ(refusal(tga, ImageReader::TYPE_TGA).rfind("Image test image has an unsupported size 50000x50000", 0), 0u);
    std::string pvr;
    put32(pvr, 52);
    put32(pvr, 100000), put32(pvr, 100000), put32(pvr, 0), put32(pvr, 26);
    pvr += std::string(32, '\0');
    EXPECT_EQ(refusal(pvr, ImageReader::TYPE_PVR).rfind("Image test image has an unsupported size 100000x100000", 0), 0u);
}

TEST_F(ReferenceImages, TruncatedAndRandomInputNeverCrashes)
{
    std::mt19937 random(4);
    for (const char* name : {"rgba.png", "rle.tga", "palette.bmp", "rgb.jpg", "palette.tga"}) {
        const std::string bytes = dir.read(name);
        const int type = ImageReader::fileType(name);
        for (size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 16)
            refusal(bytes.substr(0, cut), type); // a picture or a message
        for (int round = 0; round < 200; ++round) {
            std::string damaged = bytes;
            for (int n = 0; n < 6; ++n)
                damaged[random() % damaged.size()] = static_cast<char>(random());
            refusal(damaged, type);
        }
    }
}

namespace {

/// An uncompressed NTX file's 14-byte header.
std::string ntxHeader(int width, int height, int format, int paletteCount, int flags = 0)
{
    std::string h;
    put16(h, 260), put16(h, width), put16(h, height), put16(h, format), put16(h, paletteCount);
    h += char(flags);
    h += std::string(3, '\0');
    return h;
}

void putFloat(std::string& s, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put32(s, bits);
}

/// The size a process's address space has now, in bytes, from the kernel's own count.
rlim_t addressSpaceNow()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmSize:") {
            rlim_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
    return 0;
}

/// Meant for a forked child: reads bytes while the address space may grow by 64 MiB at
/// most, and exits 0 when the read is refused with expected; otherwise it says what
/// happened and exits 1. An allocation beyond the limit fails (or stops a sanitizer).
[[noreturn]] void refuseWithinAddressSpace(const std::string& bytes, int type, const std::string& expected)
{
    rlimit limit;
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = addressSpaceNow() + (rlim_t(64) << 20);
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        std::fprintf(stderr, "setrlimit failed\n");
        std::_Exit(1);
    }
    std::string message;
    try {
        message = refusal(bytes, type);
    } catch (const std::bad_alloc&) {
        message = "std::bad_alloc";
    }
    std::fprintf(stderr, "%s\n", message.c_str());
    std::_Exit(message == expected ? 0 : 1);
}

} // namespace

TEST(ImageReader, NtxPaletteOfEightOrSixteenByteEntriesIsReadWhole)
{
    // 256 entries, each pixel naming its own: a palette of wide entries is four times the
    // size of one of 32-bit entries, and every entry must come from the file.
    for (const int format : {int(PixelFormat::A32B32G32R32F), int(PixelFormat::G32R32F)}) {
        std::string ntx = ntxHeader(256, 1, format, 256);
        for (int i = 0; i < 256; ++i) {
            // A quarter above i/255, so that any rounding of x255 gives i.
            putFloat(ntx, (i + 0.25f) / 255);
            putFloat(ntx, (255 - i + 0.25f) / 255);
            if (format == PixelFormat::A32B32G32R32F)
                putFloat(ntx, 0.25f / 255), putFloat(ntx, 1.0f);
        }
        for (int i = 0; i < 256; ++i)
            ntx += char(i);
        io::ByteArrayInputStream in(ntx.data(), static_cast<int>(ntx.size()), "wide.ntx");
        // On the heap: a read past the reader's palette meets the allocator's guard bytes.
        auto reader = std::make_unique<ImageReader>(&in, ImageReader::TYPE_NTX);
        EXPECT_EQ(reader->format().type(), PixelFormat::P8);
        EXPECT_EQ(reader->paletteFormat().type(), format);
        std::string pixels(256 * 4, '\0'), expected;
        reader->readSurface(&pixels[0], 256 * 4, PixelFormat::A8B8G8R8);
        for (int i = 0; i < 256; ++i)
            // Two-channel entries have no blue: it comes out full, like a missing alpha.
            expected += std::string({char(i), char(255 - i), char(format == PixelFormat::G32R32F ? 255 : 0), char(255)});
        EXPECT_EQ(pixels, expected) << PixelFormat(PixelFormat::Type(format)).name();
    }
}

TEST(ImageReader, ShortFileDeclaringAHugeImageFailsBeforeAllocating)
{
    // 8192 x 8192 four-byte pixels are 256 MiB; the files hold a few dozen bytes.
    const std::string expected = "Failed to read 268435456 bytes from test image";
    std::string pvr;
    put32(pvr, 52);
    put32(pvr, 8192), put32(pvr, 8192), put32(pvr, 0), put32(pvr, 26), put32(pvr, 0), put32(pvr, 32);
    pvr += std::string(16, '\0');
    put32(pvr, 0), put32(pvr, 1);
    pvr += std::string(8, '\x7f');
    EXPECT_EQ(pvr.size(), 60u);
    EXPECT_EXIT(refuseWithinAddressSpace(pvr, ImageReader::TYPE_PVR, expected), ::testing::ExitedWithCode(0), "");

    // Compressed NTX promising 2^29 symbols (a GiB) from 64 bits of codes.
    std::string ntx = ntxHeader(8192, 8192, PixelFormat::A8R8G8B8, 0, 2);
    put32(ntx, 1u << 29);
    ntx += char(1);
    ntx += char(1);
    put16(ntx, 2);
    put16(ntx, 0), put16(ntx, 1);
    put32(ntx, 64);
    ntx += std::string(8, '\x5a');
    EXPECT_EXIT(refuseWithinAddressSpace(ntx, ImageReader::TYPE_NTX, expected), ::testing::ExitedWithCode(0), "");
}

TEST(ImageReader, BmpPixelDataOffsetIsHonouredOrRefused)
{
    // 2 x 1, 24 bits: the headers end at 54; the one row is 6 bytes padded to 8.
    auto bmp = [](uint32_t offset) {
        std::string b = "BM";
        put32(b, 0), put32(b, 0), put32(b, offset), put32(b, 40);
        put32(b, 2), put32(b, 1), put16(b, 1), put16(b, 24), put32(b, 0), put32(b, 0), put32(b, 0), put32(b, 0),
            put32(b, 0), put32(b, 0);
        return b;
    };
    const std::string row = {1, 2, 3, 4, 5, 6, 0, 0}; // B, G, R twice, then padding
    const std::string rgba = {3, 2, 1, char(255), 6, 5, 4, char(255)};
    // A gap of 2 MiB and 3 bytes of something else before the pixels.
    const uint32_t far = 54 + (2 << 20) + 3;
    EXPECT_EQ(decodeBytes(bmp(far) + std::string(far - 54, '\x55') + row, ImageReader::TYPE_BMP), rgba);
    EXPECT_EQ(decodeBytes(bmp(54) + row, ImageReader::TYPE_BMP), rgba);
    EXPECT_EQ(refusal(bmp(20) + std::string(14, '\0') + row, ImageReader::TYPE_BMP),
              "BMP test image header corrupted, invalid pixel data offset (20, expected from 54 to 76)");
    EXPECT_EQ(refusal(bmp(0) + row, ImageReader::TYPE_BMP),
              "BMP test image header corrupted, invalid pixel data offset (0, expected from 54 to 62)");
    EXPECT_EQ(refusal(bmp(63) + row, ImageReader::TYPE_BMP),
              "BMP test image header corrupted, invalid pixel data offset (63, expected from 54 to 62)");
}

TEST(ImageReader, TgaOfAnUnsupportedBitDepthHasFormatUnknown)
{
    // 48 bits a pixel, plain and run-length encoded (a run of one six-byte pixel).
    for (const int type : {2, 10}) {
        const std::string tga = tgaHeader(type, 48, 1, 1) + (type == 10 ? "\x80" : "") + "abcdef";
        io::ByteArrayInputStream in(tga.data(), static_cast<int>(tga.size()), "deep.tga");
        ImageReader reader(&in, ImageReader::TYPE_TGA);
        EXPECT_EQ(reader.format().type(), PixelFormat::UNKNOWN) << type;
        std::string pixel(4, '\0');
        reader.readSurface(&pixel[0], 4, PixelFormat::A8B8G8R8); // nothing converts from UNKNOWN
        EXPECT_EQ(pixel, std::string(4, '\0'));
    }
}

TEST(ImageReader, ShortPngReadNamesTheBytesItWanted)
{
    // The signature, then an IHDR chunk whose 13 data bytes stop after 5.
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\0\0\0\x0dIHDR", 8);
    png += std::string("\0\0\0\x02\0", 5);
    EXPECT_EQ(refusal(png, ImageReader::TYPE_PNG), "Failed to read 13 bytes from test image");
}

TEST(ImageReader, PngTextChunkOfAHugeLengthIsSkippedWithoutAllocatingIt)
{
    // A chunk of one of libpng's own, its length as stored: type and data under the CRC.
    auto chunk = [](const std::string& type, const std::string& data, uint32_t length) {
        std::string out;
        for (int shift = 24; shift >= 0; shift -= 8)
            out += char(length >> shift);
        uint32_t crc = 0xffffffff;
        for (unsigned char c : type + data) {
            crc ^= c;
            for (int bit = 0; bit < 8; ++bit)
                crc = crc & 1 ? 0xedb88320 ^ (crc >> 1) : crc >> 1;
        }
        crc = ~crc;
        out += type + data;
        for (int shift = 24; shift >= 0; shift -= 8)
            out += char(crc >> shift);
        return out;
    };
    // A 13 x 7 greyscale header, then a zTXt chunk declaring 892029476 bytes and holding 9:
    // libpng takes the length past its chunk limit for a warning and allocated all of it
    // (the fuzzer's harness of the PNG reader ran out of memory on such a file).
    std::string png = "\x89PNG\r\n\x1a\n";
    png += chunk("IHDR", std::string("\0\0\0\x0d\0\0\0\x07\x08\0\0\0\0", 13), 13);
    png += chunk("zTXt", "k\0\0xyzxyz", 0x352b4a24).substr(0, 4 + 4 + 9);
    EXPECT_EXIT(refuseWithinAddressSpace(png, ImageReader::TYPE_PNG, "Failed to read 1024 bytes from test image"),
                ::testing::ExitedWithCode(0), "");
}
