// A script failure taken apart for the error screen, and the screen's text and drawing.

#include "DrawingContext.h"

#include "game/DeveloperFont.h"
#include "game/ErrorScreen.h"
#include "game/ScriptFailure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using game::ScriptFailure;
using lang::String;

TEST(ScriptFailure, SplitsTheMessageFromItsCallStack)
{
    const ScriptFailure failure = ScriptFailure::parse("/d/scripts/a.lua:6: attempt to call global 'f' (a nil value)\n"
                                                       "Call stack:\n[C](-1)\n/d/scripts/a.lua(6)\n/d/b.lua(12)\n(end)\n");
    EXPECT_EQ(failure.message, "/d/scripts/a.lua:6: attempt to call global 'f' (a nil value)");
    ASSERT_EQ(failure.callStack.size(), 3);
    EXPECT_EQ(failure.callStack[0].file, "[C]");
    EXPECT_EQ(failure.callStack[0].line, -1);
    EXPECT_EQ(failure.callStack[2].file, "/d/b.lua");
    EXPECT_EQ(failure.callStack[2].line, 12);
    // The innermost place in a script, not the library function above it.
    EXPECT_EQ(failure.where.file, "/d/scripts/a.lua");
    EXPECT_EQ(failure.where.line, 6);
}

TEST(ScriptFailure, ACompileErrorIsPlacedByItsMessage)
{
    const ScriptFailure failure =
        ScriptFailure::parse("Error while compiling Lua: ...long/scripts/gamelogic.lua:14: '=' expected near 'x'");
    EXPECT_TRUE(failure.callStack.isEmpty());
    EXPECT_EQ(failure.where.file, "...long/scripts/gamelogic.lua");
    EXPECT_EQ(failure.where.line, 14);

    // Neither a stack nor a place: nothing to show but the message.
    const ScriptFailure bare = ScriptFailure::parse("boom (call stack not available)");
    EXPECT_EQ(bare.message, "boom");
    EXPECT_TRUE(bare.where.file.isEmpty());
}

TEST(ScriptFailure, SourceLinesStopAtTheEndsOfTheFile)
{
    ScriptFailure failure = ScriptFailure::parse("x\nCall stack:\nf.lua(2)\n(end)\n");
    failure.setSource("f.lua", "one\r\ntwo\nthree\n", 5);
    EXPECT_EQ(failure.firstSourceLine, 1);
    ASSERT_EQ(failure.source.size(), 3); // the last line break ends "three"
    EXPECT_EQ(failure.source[0], "one");
    EXPECT_EQ(failure.source[2], "three");

    failure.where.line = 9;
    std::string text;
    for (int i = 1; i <= 20; ++i)
        text += "line " + std::to_string(i) + "\n";
    failure.setSource("f.lua", text, 2);
    EXPECT_EQ(failure.firstSourceLine, 7);
    ASSERT_EQ(failure.source.size(), 5);
    EXPECT_EQ(failure.source[0], "line 7");
    EXPECT_EQ(failure.source[4], "line 11");
}

TEST(ErrorScreenText, ReadsAsTheReportACopyGives)
{
    ScriptFailure failure = ScriptFailure::parse("No font is set while trying to draw string\nCall stack:\n"
                                                 "/d/ui.lua(3)\n/d/main.lua(9)\n(end)\n");
    failure.native = "drawString";
    failure.setSource("/d/ui.lua", "function title()\n\tlocal y = 4\n\tres.drawString('T', 'HI', 0, y)\nend\n", 1);
    const game::ErrorScreen screen("Script error", failure);
    EXPECT_EQ(screen.text(), "Script error\n"
                             "No font is set while trying to draw string\n"
                             "in the native drawString\n"
                             "\n"
                             "Call stack:\n"
                             "  /d/ui.lua:3\n"
                             "  /d/main.lua:9\n"
                             "\n"
                             "/d/ui.lua:\n"
                             "  2 |     local y = 4\n"
                             "> 3 |     res.drawString('T', 'HI', 0, y)\n"
                             "  4 | end\n"
                             "\n"
                             "R reload  C copy  Esc quit\n");
}

TEST(ErrorScreenText, DrawsThePanelAndWrapsLongLinesInsideIt)
{
    lang::Ptr<DrawingContext> context = new DrawingContext(200, 120);
    ScriptFailure failure = ScriptFailure::parse(String(std::string(100, 'w')));
    game::ErrorScreen("Script error", failure).draw(context.ptr());
    const std::vector<DrawnQuad> quads = context->take();
    ASSERT_FALSE(quads.empty());
    // The panel first, 16 pixels in from every edge, then the title's band.
    EXPECT_EQ(quads[0].colour, game::ErrorScreen::PANEL);
    EXPECT_EQ(quads[0].x, 16);
    EXPECT_EQ(quads[0].width, 200 - 32);
    EXPECT_EQ(quads[0].height, 120 - 32);
    EXPECT_EQ(quads[1].colour, game::ErrorScreen::TITLE_BAR);
    // 100 w's in 6-pixel cells across 168 - 16 pixels: 25 to a row, so four rows, and nothing
    // of them past the panel's inner edge.
    float right = 0;
    std::vector<float> rows;
    for (const DrawnQuad& quad : quads) {
        if (quad.colour != 0xFFFFFFFF)
            continue;
        right = std::max(right, quad.x + quad.width);
        if (std::find(rows.begin(), rows.end(), quad.y) == rows.end())
            rows.push_back(quad.y);
    }
    EXPECT_LE(right, 16 + 168 - 8);
    // White are the title, whose letters reach all eight rows of a cell ('p' below the
    // line), and the four rows of w's, each lit in five.
    EXPECT_EQ(rows.size(), 8u + 4 * 5u);
}

TEST(DeveloperFont, EveryPrintableCharacterHasItsOwnGlyph)
{
    // A glyph table that lost a row or shifted would give two characters the same picture.
    for (int a = 33; a < 127; ++a)
        for (int b = a + 1; b < 127; ++b)
            EXPECT_NE(std::memcmp(game::DeveloperFont::glyph(a), game::DeveloperFont::glyph(b), 8), 0)
                << char(a) << " and " << char(b);
    const uint8_t* space = game::DeveloperFont::glyph(' ');
    EXPECT_TRUE(std::all_of(space, space + 8, [](uint8_t row) { return row == 0; }));
    EXPECT_EQ(game::DeveloperFont::glyph(7), game::DeveloperFont::glyph('?'));
    EXPECT_EQ(game::DeveloperFont::columns("a\xc3\xbc" "b"), 3);
}
