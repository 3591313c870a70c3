#include "framework/CursorFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using framework::CursorImage;

namespace {

void put16(std::string& s, unsigned v)
{
    s += char(v & 0xff);
    s += char(v >> 8);
}

void put32(std::string& s, unsigned v)
{
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

/// A cursor file of one w x h image with the given bits, palette, pixel rows (bottom-up,
/// padded) and mask rows.
std::string cursorFile(int w, int h, int bits, const std::string& palette, const std::string& rows,
                       const std::string& mask, int hotX, int hotY)
{
    std::string dib;
    put32(dib, 40);
    put32(dib, w);
    put32(dib, h * 2);
    put16(dib, 1);
    put16(dib, bits);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, bits <= 8 ? static_cast<unsigned>(palette.size() / 4) : 0);
    put32(dib, 0);
    dib += palette + rows + mask;
    std::string file;
    put16(file, 0);
    put16(file, 2);
    put16(file, 1);
    file += char(w), file += char(h), file += char(0), file += char(0);
    put16(file, hotX);
    put16(file, hotY);
    put32(file, static_cast<unsigned>(dib.size()));
    put32(file, 22);
    return file + dib;
}

bool decode(CursorImage& image, const std::string& bytes)
{
    return image.decode(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
}

} // namespace

TEST(CursorFile, ThirtyTwoBitsWithAlpha)
{
    // 2 x 2, bottom row first: blue, green / red, white (BGRA).
    std::string rows = std::string("\xff\x00\x00\xff\x00\xff\x00\x80", 8) + std::string("\x00\x00\xff\xff\xff\xff\xff\x00", 8);
    std::string mask(8, '\0');
    CursorImage image;
    ASSERT_TRUE(decode(image, cursorFile(2, 2, 32, "", rows, mask, 1, 0)));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.hotX, 1);
    EXPECT_EQ(image.hotY, 0);
    // Top-down RGBA: red, white(alpha 0) / blue, green(alpha 0x80).
    const uint8_t expected[] = {255, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 255, 0, 255, 0, 0x80};
    EXPECT_EQ(std::vector<uint8_t>(image.rgba.begin(), image.rgba.end()),
              std::vector<uint8_t>(expected, expected + 16));
}

TEST(CursorFile, OneBitWithMask)
{
    // 8 x 2: palette black, white; the top row all white, the bottom row black; the mask
    // makes the left half of the bottom row transparent.
    std::string palette = std::string("\0\0\0\0\xff\xff\xff\0", 8);
    std::string rows = std::string("\x00\0\0\0", 4) + std::string("\xff\0\0\0", 4);
    std::string mask = std::string("\xf0\0\0\0", 4) + std::string("\x00\0\0\0", 4);
    CursorImage image;
    ASSERT_TRUE(decode(image, cursorFile(8, 2, 1, palette, rows, mask, 3, 1)));
    EXPECT_EQ(image.rgba[0], 255);          // top-left white
    EXPECT_EQ(image.rgba[3], 255);          // opaque
    EXPECT_EQ(image.rgba[8 * 4 + 0], 0);    // bottom-left black
    EXPECT_EQ(image.rgba[8 * 4 + 3], 0);    // transparent by the mask
    EXPECT_EQ(image.rgba[8 * 4 + 7 * 4 + 3], 255);
}

TEST(CursorFile, MalformedFilesAreRefused)
{
    std::string good = cursorFile(2, 2, 32, "", std::string(16, 'x'), std::string(8, '\0'), 0, 0);
    CursorImage image;
    ASSERT_TRUE(decode(image, good));
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(decode(image, good.substr(0, cut))) << cut;
    std::string icon = good;
    icon[2] = 1; // an icon, not a cursor
    EXPECT_FALSE(decode(image, icon));
    std::mt19937 random(1);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        for (int n = 0; n < 4; ++n)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        decode(image, bytes); // a result or a refusal, never a crash
    }
}
