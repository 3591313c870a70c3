#include "lang/UTFConverter.h"

#include <gtest/gtest.h>

#include <random>

using lang::String;
using lang::UTFConverter;
using E = UTFConverter::Encoding;

namespace {

String convert(E from, E to, const String& bytes)
{
    return UTFConverter(from, to).convert(bytes.c_str(), bytes.length());
}

String encodeAll(E encoding, const std::vector<int32_t>& codePoints)
{
    String out;
    for (int32_t cp : codePoints)
        EXPECT_TRUE(UTFConverter::encode(encoding, cp, out)) << cp;
    return out;
}

} // namespace

TEST(UTFConverter, RoundTripsEveryEncoding)
{
    std::mt19937 random(7);
    std::vector<int32_t> codePoints;
    for (int i = 0; i < 2000; ++i) {
        int32_t cp = static_cast<int32_t>(random() % 0x110000);
        if (cp >= 0xd800 && cp <= 0xdfff)
            continue; // surrogates are not code points of their own
        codePoints.push_back(cp);
    }
    codePoints.insert(codePoints.end(), {0, 0x7f, 0x80, 0x7ff, 0x800, 0xffff, 0x10000, 0x10ffff});
    const E unicode[] = {E::ENCODING_UTF8, E::ENCODING_UTF16BE, E::ENCODING_UTF16LE, E::ENCODING_UTF32BE,
                         E::ENCODING_UTF32LE};
    for (E from : unicode) {
        String source = encodeAll(from, codePoints);
        for (E to : unicode) {
            String there = convert(from, to, source);
            EXPECT_EQ(there, encodeAll(to, codePoints)) << from << " -> " << to;
            EXPECT_EQ(convert(to, from, there), source) << from << " -> " << to << " -> " << from;
        }
    }
}

TEST(UTFConverter, KnownBytes)
{
    const String euro("\xe2\x82\xac");
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF16BE, euro), String("\x20\xac", 2));
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF16LE, euro), String("\xac\x20", 2));
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF32BE, euro), String("\0\0\x20\xac", 4));
    // Surrogate pair for U+1F600: (cp >> 10) + 0xD7C0, 0xDC00 + (cp & 0x3FF).
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF16BE, "\xf0\x9f\x98\x80"), String("\xd8\x3d\xde\x00", 4));
    EXPECT_EQ(convert(E::ENCODING_ASCII, E::ENCODING_UTF8, "\xe4"), "\xc3\xa4");
}

TEST(UTFConverter, BrokenInputIsSkipped)
{
    // A stray continuation byte, a lead byte without its continuation, five leading ones.
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF8, "a\x80" "b"), "ab");
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF8, "a\xc3" "b"), "ab");
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF8, "a\xf8\x80\x80\x80\x80" "b"), "ab");
    // Cut off by the end: each byte of the unfinished sequence is skipped.
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_UTF8, "ok\xe2\x82"), "ok");
    // A lone high surrogate, and an odd trailing byte.
    EXPECT_EQ(convert(E::ENCODING_UTF16BE, E::ENCODING_UTF8, String("\xd8\x3d\x00\x41", 4)), "A");
    EXPECT_EQ(convert(E::ENCODING_UTF16BE, E::ENCODING_UTF8, String("\x00\x41\x00", 3)), "A");
    EXPECT_EQ(convert(E::ENCODING_UTF32LE, E::ENCODING_UTF8, String("\x41\0\0\0\x42\0", 6)), "A");
}

TEST(UTFConverter, CodeUnitsOfText)
{
    std::vector<uint16_t> units = {9, 9, 9};
    UTFConverter::toUTF16("A\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\xff!", units);
    EXPECT_EQ(units, (std::vector<uint16_t>{'A', 0xe4, 0x20ac, 0xd83d, 0xde00, '!'}));
    // Back through the converter's own UTF-16 reader.
    units.push_back(0);
    EXPECT_EQ(String::fromUTF16(units.data()), "A\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80!");
}

TEST(UTFConverter, TargetsThatCannotHoldACodePointDropIt)
{
    EXPECT_EQ(convert(E::ENCODING_UTF8, E::ENCODING_ASCII, "a\xc3\xa4z"), "az");
    String out;
    EXPECT_FALSE(UTFConverter::encode(E::ENCODING_UTF8, 0x200000, out));
    EXPECT_TRUE(UTFConverter::encode(E::ENCODING_UTF8, 0x1fffff, out));
    EXPECT_EQ(out, "\xf7\xbf\xbf\xbf");
}
