// A font made from a TrueType file, loaded and drawn by the engine through res: the ink on
// the screen must sit where FreeType puts it for the same pen positions.

#include "framework/WindowFixture.h"

#include "FontBuilder.h"
#include "TempDir.h"
#include "game/LuaResources.h"
#include "lua/LuaState.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <GL/glew.h>

#include <algorithm>

namespace {

const char* const kShaders = TEST_SOURCE_DIR "/../share/effects/";
const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int kSize = 24;

struct FreeTypeGlyph
{
    int advance = 0;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0; ///< the ink's box from the pen on the baseline
    bool overhangs = false;             ///< ink outside [0, advance)
    int ascender = 0, descender = 0;    ///< the face's line metrics, whole pixels
};

/// What FreeType itself draws for a character at the size.
FreeTypeGlyph freeTypeGlyph(uint32_t code)
{
    FT_Library library;
    FT_Face face;
    FreeTypeGlyph g;
    if (FT_Init_FreeType(&library))
        throw std::runtime_error("FreeType does not start");
    if (FT_New_Face(library, kFont, 0, &face) || FT_Set_Pixel_Sizes(face, 0, kSize) ||
        FT_Load_Char(face, code, FT_LOAD_RENDER)) {
        FT_Done_FreeType(library);
        throw std::runtime_error(std::string("FreeType cannot render from ") + kFont);
    }
    const FT_GlyphSlot slot = face->glyph;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.x0 = slot->bitmap_left;
    g.y0 = -slot->bitmap_top;
    g.x1 = g.x0 + static_cast<int>(slot->bitmap.width);
    g.y1 = g.y0 + static_cast<int>(slot->bitmap.rows);
    g.overhangs = g.x0 < 0 || g.x1 > g.advance;
    g.ascender = static_cast<int>((face->size->metrics.ascender + 32) >> 6);
    g.descender = -static_cast<int>((face->size->metrics.descender + 32) >> 6);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return g;
}

class FontPixels : public WindowTest
{
protected:
    TempDir dir;
    lang::Ptr<lua::LuaState> lua;
    lang::Ptr<game::LuaResources> res;

    void start(const build::FontSpec& spec)
    {
        for (const build::OutputFile& file : build::buildFont(spec).files)
            dir.write(file.path, std::string(file.bytes.begin(), file.bytes.end()));
        open(480, 320);
        context().setShaderPath(kShaders);
        lua = new lua::LuaState;
        res = new game::LuaResources(lua.ptr(), &context());
        run("res.setPath('" + dir.path() + "')");
        run("res.createBitmapFont('" + spec.name + ".dat') res.useFont('" + spec.name + "')");
    }
    void TearDown() override
    {
        res = nullptr;
        lua = nullptr;
        WindowTest::TearDown();
    }
    void run(const std::string& code) { lua->runString(code.c_str(), "test.lua"); }

    /// The red channel of the whole screen, rows from the top.
    std::vector<uint8_t> screen()
    {
        const int w = context().width(), h = context().height();
        std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::vector<uint8_t> red(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                red[static_cast<size_t>(y) * w + x] = rgba[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
        return red;
    }
    /// The box {x0, y0, x1, y1} of the lit pixels with x in [from, to); all -1 when none is.
    std::vector<int> litBox(const std::vector<uint8_t>& red, int from, int to)
    {
        const int w = context().width(), h = context().height();
        std::vector<int> box{-1, -1, -1, -1};
        for (int y = 0; y < h; ++y)
            for (int x = std::max(0, from); x < std::min(w, to); ++x) {
                if (red[static_cast<size_t>(y) * w + x] == 0)
                    continue;
                if (box[0] < 0)
                    box = {x, y, x + 1, y + 1};
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1), std::max(box[3], y + 1)};
            }
        return box;
    }
};

TEST_F(FontPixels, GlyphsLandWhereFreeTypePutsThemOnTheBaseline)
{
    const std::string text = "Hxg";
    const int tracking = 3;
    build::FontSpec spec;
    spec.name = "body";
    spec.fontFile = kFont;
    spec.size = kSize;
    spec.tracking = tracking;
    for (char c : text)
        spec.characters[static_cast<uint8_t>(c)] = "test.lua:1";
    start(spec);

    const int penX = 100, baseline = 150;
    context().clear(0xff000000, true, true, false);
    // No texts are loaded, so the id is the text itself.
    run("res.drawString('TEXTS', '" + text + "', " + std::to_string(penX) + ", " + std::to_string(baseline) +
        ", 'BASELINE', 'LEFT')");
    context().flush();
    const std::vector<uint8_t> red = screen();

    int pen = penX, sum = 0;
    for (char c : text) {
        const FreeTypeGlyph g = freeTypeGlyph(static_cast<uint8_t>(c));
        ASSERT_FALSE(g.overhangs) << c << " reaches outside its advance: pick another letter";
        EXPECT_EQ(litBox(red, pen, pen + g.advance),
                  (std::vector<int>{pen + g.x0, baseline + g.y0, pen + g.x1, baseline + g.y1}))
            << c;
        pen += g.advance + tracking;
        sum += g.advance;
    }
    // Nothing is drawn outside the glyphs' cells.
    EXPECT_EQ(litBox(red, 0, penX)[0], -1);
    EXPECT_EQ(litBox(red, pen - tracking, context().width())[0], -1);

    run("width = res.getStringWidth('" + text + "')");
    EXPECT_EQ(lua->globals().getNumber("width"), float(sum + (static_cast<int>(text.size()) - 1) * tracking));
    run("ascent, descent = res.getFontMaxAscending(), res.getFontMaxDescending()");
    const FreeTypeGlyph space = freeTypeGlyph(' ');
    EXPECT_EQ(lua->globals().getNumber("ascent"), float(space.ascender));
    EXPECT_EQ(lua->globals().getNumber("descent"), float(space.descender));
}

} // namespace
