// The world drawing in a real window on both renderers, probed at pixels worked out by
// hand from the drawing rules.

#include "framework/WindowFixture.h"

#include "GameFixture.h"
#include "ResourceWriters.h"
#include "Targa.h"

#include <GL/glew.h>

#include <cmath>

namespace {

const char* const kShaders = TEST_SOURCE_DIR "/../share/effects/";

const uint32_t R = 0xff0000, G = 0x00ff00, B = 0x0000ff, W = 0xffffff, Y = 0xffff00;

class WorldPixels : public WindowTest, public GameData, public ::testing::WithParamInterface<int>
{
protected:
    TempDir appData;
    game::GameApp* game = nullptr;

    void SetUp() override
    {
        io::setApplicationDataPath(lang::String(appData.path()));
        // The atlas: each sprite a block of one colour, the tile and the rotated box two.
        const int AW = 64, AH = 16;
        std::vector<uint32_t> atlas(AW * AH, 0);
        auto fill = [&](int x0, int y0, int w, int h, uint32_t colour) {
            for (int y = y0; y < y0 + h; ++y)
                for (int x = x0; x < x0 + w; ++x)
                    atlas[y * AW + x] = 0xff000000 | colour;
        };
        fill(0, 0, 4, 8, R), fill(4, 0, 4, 8, B); // bg
        fill(8, 0, 4, 4, G), fill(12, 0, 4, 4, R); // rot: +x half red
        fill(16, 0, 16, 16, B);                    // static
        fill(32, 0, 10, 10, G);                    // dyn
        fill(42, 0, 4, 4, R);                      // bird
        fill(46, 0, 8, 8, W);                      // front
        fill(54, 0, 10, 4, Y);                     // fg
        data.write("atlas.tga", targa(AW, AH, atlas));
        // The mask: transparent left half, opaque right half.
        std::vector<uint32_t> mask(8 * 8);
        for (int i = 0; i < 64; ++i)
            mask[i] = i % 8 < 4 ? 0x00ffffff : 0xffffffff;
        data.write("mask.tga", targa(8, 8, mask));

        voxa::SpriteSheetData sheet;
        sheet.image = "atlas.tga";
        sheet.sprites = {{"bg", 0, 0, 8, 8, 0, 8},       {"rot", 8, 0, 8, 4, 4, 2},   {"static", 16, 0, 16, 16, 8, 8},
                         {"dyn", 32, 0, 10, 10, 5, 5},   {"bird", 42, 0, 4, 4, 2, 2}, {"front", 46, 0, 8, 8, 4, 4},
                         {"fg", 54, 0, 10, 4, 0, 2}};
        write("world.dat", voxa::writeSpriteSheet(sheet));
        voxa::SpriteSheetData masks;
        masks.image = "mask.tga";
        write("mask.dat", voxa::writeSpriteSheet(masks));
        script("blocks.lua", "themes = { hills = { color = { r = 0, g = 0, b = 0 }, groundColor = { r = 0, g = 255, b = 0 },\n"
                             "  bgLayers = { { 'sky', 'bg', 0.5, 2 } }, fgLayers = { { 'grass', 'fg' } } } }\n");

        lang::Array<int> kinds;
        kinds.add(GetParam());
        open(480, 320, kinds);
        game = startGame(&platform, &context(),
                         "res.createSpriteSheet('world.dat') res.createSpriteSheet('mask.dat')\n"
                         "objects.world = {} setPhysicsEnabled(false)\n");
        // The game looks for its shaders in its data directory; these are the demo's.
        context().setShaderPath(kShaders);
        context().clear(0xff000000, true, true, false);
    }
    void TearDown() override
    {
        delete game;
        game = nullptr;
        WindowTest::TearDown();
        io::setApplicationDataPath(lang::String());
    }
    void write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        data.write(name, std::string(bytes.begin(), bytes.end()));
    }
    void run(const std::string& code)
    {
        try {
            game->luaState()->runString(code.c_str(), "test.lua", game->world());
            context().flush();
        } catch (const lang::Throwable& e) {
            FAIL() << e.getMessage();
        }
    }
    /// "RGB" letters of the channels above half at (x, y), y from the top.
    std::string at(int x, int y)
    {
        unsigned char rgba[4];
        glReadPixels(x, context().height() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        std::string name;
        for (int i = 0; i < 3; ++i)
            name += rgba[i] > 127 ? "RGB"[i] : '-';
        return name;
    }
};

TEST_P(WorldPixels, TiledBackgroundScrollsAtItsParallaxAndScale)
{
    // Parallax 0.5, scale 2, tile 8 wide: with top-left x 20, o = 10 and C = 16, so the
    // tiles start at -(10 + 16) / 2 = -13 and land at 2 * (-13 + 8k): red for 8 pixels, blue
    // for 8. Top-left y -100 puts the tile's bottom (its pivot) at 2 * 50 = 100.
    run("setTheme('hills') setTopLeft(20, -100) drawBackgroundNative()");
    EXPECT_EQ(at(7, 90), "R--");
    EXPECT_EQ(at(13, 90), "R--");
    EXPECT_EQ(at(15, 90), "--B");
    EXPECT_EQ(at(21, 90), "--B");
    EXPECT_EQ(at(23, 90), "R--");
    EXPECT_EQ(at(23, 85), "R--"); // 16 rows tall: 84 to 99
    EXPECT_EQ(at(23, 99), "R--");
    EXPECT_EQ(at(23, 82), "---");
    EXPECT_EQ(at(23, 101), "---");
}

TEST_P(WorldPixels, BodiesTurnAboutTheirPivotAtTwentyPixelsAMetre)
{
    // Turned a quarter the way the physics turns: the red +x half points down.
    run("createBox('box', 'rot', 5, 5, 1, 1, 1, 0.5, 0.1, true, false, 0) setRotation('box', math.pi / 2)"
        " drawGameNative()");
    EXPECT_EQ(at(100, 97), "-G-");
    EXPECT_EQ(at(99, 102), "R--");
    EXPECT_EQ(at(101, 96), "-G-");
    EXPECT_EQ(at(100, 94), "---");
    EXPECT_EQ(at(100, 105), "---");
    EXPECT_EQ(at(96, 100), "---");
    EXPECT_EQ(at(103, 100), "---");
}

TEST_P(WorldPixels, PassesDrawStaticUnderBlocksUnderBirds)
{
    run("createCircle('bird', 'bird', 10, 5, 0.5, 1, 0.5, 0.1, true, 0)"
        " createBox('block', 'dyn', 10, 5, 1, 1, 1, 0.5, 0.1, true, false, 0)"
        " createBox('ground', 'static', 10, 5, 1, 1, 0, 0.5, 0.1, true, false, 0)"
        " drawGameNative()");
    EXPECT_EQ(at(200, 100), "R--");
    EXPECT_EQ(at(203, 100), "-G-");
    EXPECT_EQ(at(206, 100), "--B");
    EXPECT_EQ(at(209, 100), "---");
}

TEST_P(WorldPixels, FarFrontObjectsDrawAtHalfParallaxAndDoubleScale)
{
    // z_order 999: translation half the top-left, scale 2, position 10 per metre, so the
    // 8 x 8 sprite is 16 x 16 around 2 * (150 - 20) = 260, 2 * (50 - 0) = 100.
    run("setTopLeft(40, 0) createCircle('far', 'front', 15, 5, 0.5, 1, 0.5, 0.1, false, 999) drawGameNative()");
    EXPECT_EQ(at(253, 100), "RGB");
    EXPECT_EQ(at(266, 100), "RGB");
    EXPECT_EQ(at(260, 93), "RGB");
    EXPECT_EQ(at(251, 100), "---");
    EXPECT_EQ(at(268, 100), "---");
}

TEST_P(WorldPixels, GroundFillStartsBelowTheForeground)
{
    // a = 4 - 2 = 2: the fill's top is -((-100 - 3) * 1) = 103. The grass, at 1.5 times
    // and moved up by 100 / 1.5, covers rows 1.5 * (66.7 - 2) = 97 to 103.
    run("setTheme('hills') setTopLeft(0, -100) drawForegroundNative()");
    EXPECT_EQ(at(50, 103), "-G-");
    EXPECT_EQ(at(50, 319), "-G-");
    EXPECT_EQ(at(50, 102), "RG-");
    EXPECT_EQ(at(50, 98), "RG-");
    EXPECT_EQ(at(50, 95), "---");
}

TEST_P(WorldPixels, MaskedSpritesTakeTheMasksAlpha)
{
    run("createBox('wall', 'static', 20, 10, 1, 1, 0, 0.5, 0.1, true, false, 0) setTexture('wall', 'mask')"
        " drawGameNative()");
    // 16 x 16 around (400, 200); the mask's left half is transparent.
    EXPECT_EQ(at(394, 200), "---");
    EXPECT_EQ(at(398, 195), "---");
    EXPECT_EQ(at(402, 195), "--B");
    EXPECT_EQ(at(406, 205), "--B");
    EXPECT_EQ(at(410, 200), "---");
}

INSTANTIATE_TEST_SUITE_P(Renderers, WorldPixels, ::testing::Values(int(gr::Context::KIND_GL2), int(gr::Context::KIND_GL1)),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == gr::Context::KIND_GL2 ? "Shaders" : "FixedFunction");
                         });

} // namespace
