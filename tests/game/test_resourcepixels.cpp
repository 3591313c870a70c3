// Sprites and text drawn through res in a real window, from files made by pelterra-build.

#include "framework/WindowFixture.h"

#include "TempDir.h"
#include "Targa.h"
#include "game/LuaResources.h"
#include "lua/LuaException.h"
#include "lua/LuaState.h"

#include <GL/glew.h>

#include <cstdlib>

namespace {

const char* const kShaders = TEST_SOURCE_DIR "/../share/effects/";

/// RGB of the pixel at (x, y), y from the top, each channel rounded to 0 or 255.
std::string colourAt(gr::Context& context, int x, int y)
{
    unsigned char rgba[4];
    glReadPixels(x, context.height() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    std::string name;
    for (int i = 0; i < 3; ++i)
        name += rgba[i] > 127 ? "RGB"[i] : '-';
    return name;
}

/// An opaque Targa of 0xRRGGBB pixels.
void writeTga(const TempDir& dir, const std::string& name, int width, int height, std::vector<uint32_t> pixels)
{
    for (uint32_t& p : pixels)
        p |= 0xff000000;
    dir.write(name, targa(width, height, pixels));
}

void voxa(const TempDir& dir, const std::string& kind, const std::string& text, const std::string& out)
{
    dir.write(out + ".txt", text);
    const std::string command =
        std::string(PELTERRA_BUILD) + " " + kind + " '" + dir / (out + ".txt") + "' '" + dir / out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class ResPixels : public WindowTest
{
protected:
    TempDir dir;
    lang::Ptr<lua::LuaState> lua;
    lang::Ptr<game::LuaResources> res;

    void start(lang::Array<int> kinds = {})
    {
        open(480, 320, kinds);
        context().setShaderPath(kShaders);
        lua = new lua::LuaState;
        res = new game::LuaResources(lua.ptr(), &context());
        lua->runString(("res.setPath('" + dir.path() + "')").c_str(), "test.lua");
    }
    void TearDown() override
    {
        res = nullptr;
        lua = nullptr;
        WindowTest::TearDown();
    }
    void run(const std::string& code) { lua->runString(code.c_str(), "test.lua"); }
    /// What a rectangle shows: its corner pixels inside, and the pixels just outside them.
    void expectRect(int x, int y, int w, int h, const std::string& colour, const std::string& what)
    {
        for (auto [px, py] : {std::pair{x, y}, {x + w - 1, y}, {x, y + h - 1}, {x + w - 1, y + h - 1}})
            EXPECT_EQ(colourAt(context(), px, py), colour) << what << " inside at " << px << "," << py;
        for (auto [px, py] : {std::pair{x - 1, y}, {x, y - 1}, {x + w, y + h - 1}, {x + w - 1, y + h}})
            EXPECT_NE(colourAt(context(), px, py), colour) << what << " outside at " << px << "," << py;
    }
};

TEST_F(ResPixels, SpritesLandWithTheirAnchorOnThePoint)
{
    // Red 8 x 8 on the left, blue on the right.
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            pixels.push_back(x < 8 ? 0xff0000 : 0x0000ff);
    writeTga(dir, "atlas.tga", 16, 8, pixels);
    voxa(dir, "sheet", "image atlas.tga\nred 0 0 8 8 2 3\nblue 8 0 8 8 0 0\n", "sheet.dat");
    start();
    run("res.createSpriteSheet('sheet.dat')");

    const char* vertical[] = {"TOP", "VCENTER", "BOTTOM", "BASELINE", "VPIVOT"};
    const int dy[] = {0, 4, 8, 3, 3};
    const char* horizontal[] = {"LEFT", "HCENTER", "RIGHT", "HPIVOT"};
    const int dx[] = {0, 4, 8, 2};
    for (int v = 0; v < 5; ++v) {
        for (int h = 0; h < 4; ++h) {
            context().clear(0xff000000, true, true, false);
            run(std::string("res.drawSprite('red', 100, 100, '") + vertical[v] + "', '" + horizontal[h] + "')");
            context().flush();
            expectRect(100 - dx[h], 100 - dy[v], 8, 8, "R--", std::string(vertical[v]) + " " + horizontal[h]);
        }
    }
    // The default anchors are the pivot; the table-first form and a size draw the same way.
    context().clear(0xff000000, true, true, false);
    run("res.drawSprite('red', 50, 50)");
    run("res:drawSprite('blue', 200, 50, 'TOP', 'LEFT', 16, 24)");
    context().flush();
    expectRect(48, 47, 8, 8, "R--", "pivot");
    expectRect(200, 50, 16, 24, "--B", "sized");
}

TEST_F(ResPixels, TextMatchesTheGlyphRectangles)
{
    // Three glyphs side by side: R 5 x 9, G 7 x 12, B 4 x 6, with black between.
    const int W = 20, H = 12;
    std::vector<uint32_t> pixels(W * H, 0);
    auto fill = [&](int x0, int w, int h, uint32_t colour) {
        for (int y = 0; y < h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                pixels[y * W + x] = colour;
    };
    fill(0, 5, 9, 0xff0000);
    fill(6, 7, 12, 0x00ff00);
    fill(14, 4, 6, 0x0000ff);
    writeTga(dir, "font.tga", W, H, pixels);
    voxa(dir, "font", "image font.tga\nleading 1\ntracking 2\n'R' 0 0 5 9 7\nU+0047 6 0 7 12 9\n66 14 0 4 6 6\n",
         "font.dat");
    start();
    run("res.createBitmapFont('font.dat') res.useFont('font')");
    context().clear(0xff000000, true, true, false);
    // No texts are loaded, so the id is the text. TOP puts the baseline at 60 + 9.
    run("res.drawString('TEXTS', 'RGB', 50, 60)");
    context().flush();
    expectRect(50, 62, 5, 9, "R--", "R");
    expectRect(57, 60, 7, 12, "-G-", "G");
    expectRect(66, 63, 4, 6, "--B", "B");
    EXPECT_EQ(colourAt(context(), 55, 65), "---"); // the tracking

    // RIGHT, BOTTOM: the text (20 wide) ends at x; the deepest descent (G's 3) ends at y.
    context().clear(0xff000000, true, true, false);
    run("res.drawString('TEXTS', 'RGB', 300, 200, 'RIGHT', 'BOTTOM')");
    context().flush();
    expectRect(296, 197 - 6, 4, 6, "--B", "B at the right");
    expectRect(287, 197 - 9, 7, 12, "-G-", "G at the right");
    expectRect(280, 197 - 7, 5, 9, "R--", "R at the right");
}

/// The same drawing through each renderer.
class ResPixelsOn : public ResPixels, public ::testing::WithParamInterface<int>
{
};

TEST_P(ResPixelsOn, ATransformedSpriteTurnsAndScalesAboutItsPivot)
{
    // 8 x 4, red on the left half and blue on the right, pivot (2, 1).
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            pixels.push_back(x < 4 ? 0xff0000 : 0x0000ff);
    writeTga(dir, "bar.tga", 8, 4, pixels);
    voxa(dir, "sheet", "image bar.tga\nbar 0 0 8 4 2 1\n", "sheet.dat");
    lang::Array<int> kind;
    kind.add(GetParam());
    start(kind);
    ASSERT_EQ(context().kind(), GetParam());
    run("res.createSpriteSheet('sheet.dat')");

    context().clear(0xff000000, true, true, false);
    // Scaled 3 x 2 the sprite is 24 x 8 with its pivot 6, 2 in; a quarter turn takes +x to
    // +y, so it stands 8 wide and 24 high, red above blue, the pivot on (100, 100).
    run("res.drawSpriteTransformed('bar', 100, 100, math.pi / 2, 3, 2)");
    // Unturned, one scale for both axes: 16 x 8, the pivot 4, 2 in.
    run("res:drawSpriteTransformed('bar', 300, 100, 0, 2)");
    // Without a scale: the sprite's own size.
    run("res.drawSpriteTransformed('bar', 50, 200, 0)");
    context().flush();
    expectRect(94, 94, 8, 12, "R--", "turned, red half");
    expectRect(94, 106, 8, 12, "--B", "turned, blue half");
    expectRect(296, 98, 8, 8, "R--", "scaled, red half");
    expectRect(304, 98, 8, 8, "--B", "scaled, blue half");
    expectRect(48, 199, 4, 4, "R--", "own size, red half");
    expectRect(52, 199, 4, 4, "--B", "own size, blue half");

    // A half turn mirrors both axes about the pivot: blue left of red, above the pivot's row.
    context().clear(0xff000000, true, true, false);
    run("res.drawSpriteTransformed('bar', 200, 200, math.pi, 1, 1)");
    context().flush();
    expectRect(194, 197, 4, 4, "--B", "half turn, blue half");
    expectRect(198, 197, 4, 4, "R--", "half turn, red half");

    // The drawing state's translation applies; its rotation and pivot don't, and the state
    // is left as it was.
    gr::DrawState state = context().drawState();
    state.translateX = 20, state.translateY = 10;
    state.angle = 1.0f, state.m00 = 0.54f, state.m10 = -0.84f, state.m01 = 0.84f, state.m11 = 0.54f;
    state.pivotX = 30, state.pivotY = 40;
    context().setDrawState(state);
    context().clear(0xff000000, true, true, false);
    run("res.drawSpriteTransformed('bar', 100, 100, 0, 1)");
    context().flush();
    expectRect(118, 109, 4, 4, "R--", "translated, red half");
    expectRect(122, 109, 4, 4, "--B", "translated, blue half");
    EXPECT_EQ(context().drawState().angle, 1.0f);
    EXPECT_EQ(context().drawState().pivotX, 30);

    // Unknown names draw nothing; arguments are strict.
    EXPECT_NO_THROW(run("res.drawSpriteTransformed('nothing', 10, 10, 0)"));
    EXPECT_THROW(run("res.drawSpriteTransformed('bar', '10', 10, 0)"), lua::LuaException);
    EXPECT_THROW(run("res.drawSpriteTransformed('bar', 10, 10)"), lua::LuaException);
}

INSTANTIATE_TEST_SUITE_P(Renderers, ResPixelsOn, ::testing::Values(gr::Context::KIND_GL2, gr::Context::KIND_GL1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(gr::Context::rendererShortName(info.param));
                         });

} // namespace
