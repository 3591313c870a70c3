#include "io/IOException.h"
#include "io/PropertyParser.h"

#include "Failure.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using io::IOException;
using io::PropertyParser;
using lang::String;

TEST(PropertyParser, EntriesAndComments)
{
    PropertyParser p;
    p.parse("-- particle system\n"
            "Size   = 12 -- trailing comment\n"
            "\n"
            "name=spark ; next=1\n"
            "Rate = 2.5e1   \n",
            "sparks");
    String value;
    ASSERT_TRUE(p.getString("size", value));
    EXPECT_EQ(value, "12");
    EXPECT_FALSE(p.getString("Size", value)); // stored lower case, looked up as given
    EXPECT_TRUE(p.getString("name", value));
    EXPECT_EQ(value, "spark");
    EXPECT_EQ(p.getInteger("next"), 1);
    EXPECT_DOUBLE_EQ(p.getNumber("rate"), 25.0);
    EXPECT_EQ(p.size(), 4);
}

TEST(PropertyParser, MissingEqualsNamesKeyAndLine)
{
    PropertyParser p;
    EXPECT_EQ(messageOf<IOException>([&] { p.parse("-- only a comment\na = 1\nspeed 5\n", "fx"); }),
              "Missing \"speed=<value>\" on line 3 of property set \"fx\":\n\na = 1\nspeed 5\n");
    EXPECT_EQ(p.size(), 0);
    EXPECT_EQ(messageOf<IOException>([&] { p.parse("ok = 1\nlonely", "fx"); }).substr(0, 34),
              "Missing \"lonely=<value>\" on line 2");
}

TEST(PropertyParser, TypedGetters)
{
    PropertyParser p;
    p.parse("a = Yes\nb = on\nc = 2.5\nd = 2.0\ne = -7\nf = 1d3\ng = 1e999\nh = 12abc\ni = DISABLED\n", "set");
    EXPECT_TRUE(p.getBoolean("a"));
    EXPECT_FALSE(p.getBoolean("i"));
    EXPECT_EQ(messageOf<IOException>([&] { p.getBoolean("b"); }), "Failed to parse boolean b from \"set\"");
    EXPECT_EQ(messageOf<IOException>([&] { p.getBoolean("zz"); }), "Failed to parse boolean, no key zz in \"set\"");
    EXPECT_EQ(messageOf<IOException>([&] { p.getInteger("c"); }), "Failed to parse integer c from \"set\" (number is not integer)");
    EXPECT_EQ(p.getInteger("d"), 2);
    EXPECT_EQ(p.getInteger("e"), -7);
    EXPECT_EQ(messageOf<IOException>([&] { p.getInteger("h"); }), "Failed to parse integer h from \"set\"");
    EXPECT_EQ(messageOf<IOException>([&] { p.getInteger("zz"); }), "Failed to parse number, no key zz in \"set\"");
    EXPECT_DOUBLE_EQ(p.getNumber("f"), 1000.0);
    EXPECT_TRUE(std::isinf(p.getNumber("g")));
    EXPECT_EQ(messageOf<IOException>([&] { p.getNumber("h"); }), "Failed to parse number h from \"set\"");
    EXPECT_EQ(messageOf<IOException>([&] { p.getNumber("zz"); }), "Failed to parse number, no key zz in \"set\"");
}

TEST(PropertyParser, NumberSyntax)
{
    double n = 0;
    for (const char* good : {"1", "  -2.5", "+3.", ".5", "1E+2", "4D-1", "-1e999"})
        EXPECT_TRUE(PropertyParser::parseNumber(good, &n)) << good;
    for (const char* bad : {"", "-", "e5", "1e", "1.2.3", "0x10", "1 2", "nan", "inf"})
        EXPECT_FALSE(PropertyParser::parseNumber(bad, &n)) << bad;
    PropertyParser::parseNumber("-1e999", &n);
    EXPECT_EQ(n, -INFINITY);
}

TEST(PropertyParser, RandomTextNeverBreaksIt)
{
    std::mt19937 random(9);
    const char alphabet[] = "ab =;-\n\t1.eD";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int n = random() % 60; n > 0; --n)
            text += alphabet[random() % (sizeof(alphabet) - 1)];
        PropertyParser p;
        try {
            LogCapture quiet;
            p.parse(String(text), "random");
            String v;
            p.getString("a", v);
            p.getNumber("a");
        } catch (const IOException&) {
        }
    }
}
