#include "lang/Array.h"
#include "lang/String.h"

#include <gtest/gtest.h>

using lang::Array;
using lang::String;

namespace {

std::vector<std::string> pieces(const Array<String>& array)
{
    std::vector<std::string> out;
    for (const String& s : array)
        out.push_back(s.str());
    return out;
}

} // namespace

TEST(String, HoldsAnyBytes)
{
    String s("a\0b", 3);
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(s[1], '\0');
    String copy = s;
    copy += String("c");
    EXPECT_EQ(s.length(), 3); // copies are deep
    EXPECT_EQ(copy.length(), 4);
}

TEST(String, SplitKeepsEmptyPieces)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(pieces(String("a,,b,").split(",")), (V{"a", "", "b", ""}));
    EXPECT_EQ(pieces(String("").split(",")), (V{""}));
    EXPECT_EQ(pieces(String("abc").split(",")), (V{"abc"}));
    EXPECT_EQ(pieces(String("x::y::").split("::")), (V{"x", "y", ""}));
    EXPECT_EQ(pieces(String("::").split("::")), (V{"", ""}));
}

TEST(String, CaseConversionLeavesHighBytesAlone)
{
    EXPECT_EQ(String("MiXeD 123").toLowerCase(), "mixed 123");
    EXPECT_EQ(String("MiXeD 123").toUpperCase(), "MIXED 123");
    EXPECT_EQ(String("\xc3\xa4\xc3\x84").toUpperCase(), "\xc3\xa4\xc3\x84");
    EXPECT_EQ(String("\xc3\xa4\xc3\x84").toLowerCase(), "\xc3\xa4\xc3\x84");
}

TEST(String, TrimRemovesAsciiSpaceOnly)
{
    EXPECT_EQ(String("  \t a b \r\n").trim(), "a b");
    EXPECT_EQ(String(" \t\n ").trim(), "");
    EXPECT_EQ(String("\xa0x\xa0").trim(), "\xa0x\xa0");
}

TEST(String, SearchesForwardAndBackward)
{
    String s("abcabc");
    EXPECT_EQ(s.indexOf("bc"), 1);
    EXPECT_EQ(s.indexOf("bc", 2), 4);
    EXPECT_EQ(s.indexOf("bc", 5), -1);
    EXPECT_EQ(s.indexOf("zz"), -1);
    EXPECT_EQ(s.indexOf("a", 100), -1);
    EXPECT_EQ(s.lastIndexOf("bc"), 4);
    EXPECT_EQ(s.lastIndexOf("bc", 3), 1);
    EXPECT_EQ(s.lastIndexOf("bc", 0), -1);
    EXPECT_EQ(s.lastIndexOf('a', -1), -1);
    EXPECT_EQ(s.substring(2, 4), "ca");
    EXPECT_EQ(s.substring(4, 100), "bc");
    EXPECT_EQ(s.substring(-3, 1), "a");
}

TEST(String, SlashesAndUTF16)
{
    EXPECT_EQ(String("a\\b\\c/d").toSlashes(), "a/b/c/d");
    const uint16_t text[] = {'h', 0xe4, 0x20ac, 0xd83d, 0xde00, 0};
    EXPECT_EQ(String::fromUTF16(text), "h\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80");
    EXPECT_EQ(String::fromUTF16(nullptr), "");
}
