// The text descriptions the resource tools read, and the command line around them.

#include "TempDir.h"

#include "ResourceWriters.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::string failure(void (*action)(const std::string&), const std::string& text)
{
    try {
        action(text);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(VoxaText, SpriteListsAndTheirMistakes)
{
    voxa::SpriteSheetData sheet = voxa::parseSpriteList("# menu\nimage menu.png\r\n\nplay  1 2 3 4 5 -6\n");
    EXPECT_EQ(sheet.image, "menu.png");
    ASSERT_EQ(sheet.sprites.size(), 1u);
    EXPECT_EQ(sheet.sprites[0].pivotY, -6);

    auto parse = [](const std::string& text) { voxa::parseSpriteList(text); };
    EXPECT_EQ(failure(parse, "image a.png\nplay 1 2 3 4 5\n"), "line 2: expected NAME X Y WIDTH HEIGHT PIVOTX PIVOTY");
    EXPECT_EQ(failure(parse, "image a.png\n\nplay 1 2 x 4 5 6\n"), "line 3: a whole number expected, found \"x\"");
    EXPECT_EQ(failure(parse, "play 1 2 3 4 5 6\n"), "no \"image FILE\" line");
    sheet.sprites[0].x = 40000;
    EXPECT_THROW(voxa::writeSpriteSheet(sheet), std::runtime_error);
}

TEST(VoxaText, TextTablesKeepEmptyCellsAndEscapes)
{
    voxa::TextTable table = voxa::parseTextTable("id\ten\tfi\nPLAY\tPlay\tPelaa\nHELP\tLine\\none\\\\two\nTAB\t\tA\\tB\n");
    EXPECT_EQ(table.languages, (std::vector<std::string>{"en", "fi"}));
    EXPECT_EQ(table.ids, (std::vector<std::string>{"PLAY", "HELP", "TAB"}));
    EXPECT_EQ(table.texts[0][1], "Line\none\\two");
    EXPECT_EQ(table.texts[1][1], ""); // a missing cell
    EXPECT_EQ(table.texts[0][2], "");
    EXPECT_EQ(table.texts[1][2], "A\tB");

    auto parse = [](const std::string& text) { voxa::parseTextTable(text); };
    EXPECT_EQ(failure(parse, "id\ten\nX\ta\tb\n"), "line 2: more texts than languages");
    EXPECT_EQ(failure(parse, "id\ten\nX\ta\\q\n"), "line 2: unknown escape \\q");
    EXPECT_EQ(failure(parse, "id only\n"), "line 1: the header names the id column and at least one language, separated by tabs");
}

TEST(VoxaText, CompositeListsAndGlyphCodes)
{
    std::vector<voxa::CompoRecord> compos = voxa::parseCompoList("compo hero\nhead 0 -20\nbody 0 0\ncompo tail\n");
    ASSERT_EQ(compos.size(), 2u);
    EXPECT_EQ(compos[0].parts.size(), 2u);
    EXPECT_EQ(compos[0].parts[0].y, -20);
    EXPECT_TRUE(compos[1].parts.empty());
    auto parseCompo = [](const std::string& text) { voxa::parseCompoList(text); };
    EXPECT_EQ(failure(parseCompo, "head 0 0\n"), "line 1: a part before the first \"compo NAME\" line");

    voxa::FontData font = voxa::parseGlyphList("image f.png\ntracking -1\n'A' 0 0 1 1 1\nU+00e4 0 0 1 1 1\n"
                                               "'ä' 0 0 1 1 1\n'€' 0 0 1 1 1\n32 0 0 1 1 1\n");
    EXPECT_EQ(font.tracking, -1);
    std::vector<int> codes;
    for (const voxa::GlyphRecord& g : font.glyphs)
        codes.push_back(g.code);
    EXPECT_EQ(codes, (std::vector<int>{'A', 0xe4, 0xe4, 0x20ac, 32}));
    auto parseFont = [](const std::string& text) { voxa::parseGlyphList(text); };
    EXPECT_EQ(failure(parseFont, "image f.png\nU+1F600 0 0 1 1 1\n"), "line 2: a code U+0000..U+FFFF expected, found U+1F600");
    EXPECT_EQ(failure(parseFont, "image f.png\n'AB' 0 0 1 1 1\n"), "line 2: one character of the 16-bit range expected in 'AB'");
}

TEST(BuildCommand, SingleFileWritersReportBadInputAndUsage)
{
    TempDir dir;
    const std::string tool = PELTERRA_BUILD;
    auto status = [](const std::string& command) { return WEXITSTATUS(std::system((command + " 2>/dev/null").c_str())); };
    EXPECT_EQ(status(tool), 2);
    EXPECT_EQ(status(tool + " paint a b"), 2);
    dir.write("bad.txt", "image a.png\nplay 1 2\n");
    EXPECT_EQ(status(tool + " sheet " + dir / "bad.txt" + " " + dir / "out.dat"), 1);
    EXPECT_TRUE(dir.read("out.dat").empty());
    EXPECT_EQ(status(tool + " sheet " + dir / "missing.txt" + " " + dir / "out.dat"), 1);

    dir.write("good.txt", "image a.png\nplay 1 2 3 4 5 6\n");
    EXPECT_EQ(status(tool + " sheet " + dir / "good.txt" + " " + dir / "out.dat"), 0);
    EXPECT_EQ(dir.read("out.dat").substr(0, 4), "VOXA");
    EXPECT_EQ(status(tool + " sheet " + dir / "good.txt" + " " + dir / "old.dat --older"), 0);
    EXPECT_EQ(dir.read("old.dat").substr(0, 7), std::string("\0\x05" "a.png", 7));
}

} // namespace
