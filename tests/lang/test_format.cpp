#include "LogCapture.h"

#include "lang/Format.h"
#include "lang/FormatException.h"

#include <gtest/gtest.h>

#include <string>

using lang::Format;
using lang::FormatException;
using lang::String;

namespace {

std::string render(const Format& format)
{
    return format.toString().str();
}

/// The message a malformed format string throws.
std::string failure(const Format& format)
{
    LogCapture quiet;
    try {
        format.toString();
    } catch (const FormatException& e) {
        return e.getMessage().str();
    }
    return "(no exception)";
}

} // namespace

TEST(Format, PlaceholdersTakeNumbersAndTexts)
{
    EXPECT_EQ(render(Format("Value {0}", 0.5)), "Value 0.5");
    EXPECT_EQ(render(Format("Value {0}", "abc")), "Value abc");
    EXPECT_EQ(render(Format("{1}-{0}-{1}", 1, String("b"))), "b-1-b");
    EXPECT_EQ(render(Format("{0}{1}{2}{3}", 1, 2, 3, 4)), "1234");
    EXPECT_EQ(render(Format("no placeholders")), "no placeholders");
    EXPECT_EQ(render(Format("{0}", 1e20)), "1e+20");
}

TEST(Format, NumberSpecifications)
{
    EXPECT_EQ(render(Format("{0,x}", 255)), "ff");
    EXPECT_EQ(render(Format("{0,x}", 255.9)), "ff");
    EXPECT_EQ(render(Format("{0,X}", 255)), "FF");
    EXPECT_EQ(render(Format("{0,d}", -7.8)), "-7");
    EXPECT_EQ(render(Format("{0,i}", 42)), "42");
    EXPECT_EQ(render(Format("{0,x}", -1)), "ffffffff");
    EXPECT_EQ(render(Format("{0,#.##}", 3.14159)), "3.14");
    EXPECT_EQ(render(Format("{0,00.0}", 3.14159)), "3.1");
    EXPECT_EQ(render(Format("{0,00000.0}", 3.14159)), "003.1");
    EXPECT_EQ(render(Format("{0,0}", 2.5)), "2");
    EXPECT_EQ(render(Format("{0,#,##0.00}", 1234.5)), "1234.50");
    EXPECT_EQ(render(Format("{0,abc}", 0.25)), "0.25"); // unknown characters are skipped
    // A conversion letter ends the scan: what follows it is never read.
    EXPECT_EQ(render(Format("{0,x.00}", 16)), "10");
    // Specifications apply to numbers only.
    EXPECT_EQ(render(Format("{0,x}", "text")), "text");
}

TEST(Format, TwoDigitIndexIsOneDigitAndASpecification)
{
    // {10} is argument 1 formatted by "0": fixed point, no fraction digits.
    EXPECT_EQ(render(Format("{10}", 0, 7.6)), "8");
    EXPECT_EQ(failure(Format("{10}", 0)), "Failed to format \"{10}\", invalid argument index at 1");
}

TEST(Format, BackslashEscapes)
{
    EXPECT_EQ(render(Format("\\{0}", 5)), "{0}");
    EXPECT_EQ(render(Format("a\\bc")), "abc");
    EXPECT_EQ(render(Format("a\\\\b")), "a\\b");
    EXPECT_EQ(render(Format("end {")), "end {");
    EXPECT_EQ(render(Format("closing } alone")), "closing } alone");
}

TEST(Format, ErrorsNameTheStringAndThePosition)
{
    EXPECT_EQ(failure(Format("{1}", 1)), "Failed to format \"{1}\", invalid argument index at 1");
    EXPECT_EQ(failure(Format("{}")), "Failed to format \"{}\", argument index not found at 1");
    EXPECT_EQ(failure(Format("{a}")), "Failed to format \"{a}\", digit expected at 1");
    EXPECT_EQ(failure(Format("{0")), "Failed to format \"{0\", '}' not found after 1");
    EXPECT_EQ(failure(Format("abc {0} {x}", 1)), "Failed to format \"abc {0} {x}\", digit expected at 9");
    EXPECT_EQ(failure(Format("{0}")), "Failed to format \"{0}\", invalid argument index at 1");
}

TEST(Format, CapacityCutsButCountsEverything)
{
    Format format("Value {0}", "abc");
    char buffer[8];
    EXPECT_EQ(format.format(buffer, 1), 10);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(format.format(buffer, 6), 10);
    EXPECT_STREQ(buffer, "Value");
    EXPECT_EQ(format.format(buffer, 8), 10);
    EXPECT_STREQ(buffer, "Value a");
    char exact[10];
    EXPECT_EQ(format.format(exact, 10), 10);
    EXPECT_STREQ(exact, "Value abc");
    EXPECT_EQ(format.format(nullptr, 0), 10);
}

TEST(Format, ToStringNeverCuts)
{
    std::string longText(5000, 'x');
    EXPECT_EQ(render(Format("<{0}>", String(longText))), "<" + longText + ">");
    std::string edge(511, 'y');
    EXPECT_EQ(render(Format(String(edge))), edge);
    std::string edge2(512, 'z');
    EXPECT_EQ(render(Format(String(edge2))), edge2);
}
