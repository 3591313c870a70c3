// Atlases drawn by the engine: a trimmed, packed sprite looks exactly like its loose image,
// and filtering at larger sizes never reaches into a neighbour.

#include "framework/WindowFixture.h"

#include "TempDir.h"

#include "Atlas.h"
#include "Image.h"

#include "ChunkWriter.h"
#include "ResourceWriters.h"
#include "game/LuaResources.h"
#include "lua/LuaState.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

const char* const kShaders = TEST_SOURCE_DIR "/../share/effects/";

struct Colour
{
    uint8_t r, g, b, a;
};

void set(build::Image& image, int x, int y, Colour c)
{
    uint8_t* p = image.pixel(x, y);
    p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = c.a;
}

void fill(build::Image& image, int x0, int y0, int w, int h, Colour c)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            set(image, x, y, c);
}

/// One source image, and where its pivot lies in it untrimmed.
struct Picture
{
    std::string name;
    build::Image image;
    int pivotX, pivotY;
};

/// Distinct colours and patterns, most with transparent borders the atlas cuts away.
std::vector<Picture> pictures()
{
    std::vector<Picture> all;
    {
        build::Image image(26, 22);
        for (int y = 3; y < 19; ++y)
            for (int x = 3; x < 23; ++x)
                set(image, x, y, (x + y) % 4 == 0 ? Colour{0, 0, 255, 255} : Colour{255, 0, 0, 255});
        all.push_back({"frame", image, 0, 0});
    }
    {
        build::Image image(16, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                set(image, x, y, (x / 2 + y / 2) % 2 ? Colour{255, 255, 0, 255} : Colour{255, 0, 255, 255});
        all.push_back({"checker", image, 16, 16});
    }
    {
        build::Image image(17, 20);
        fill(image, 5, 0, 12, 20, {0, 200, 0, 255});
        fill(image, 5, 6, 12, 8, {0, 128, 0, 128});
        all.push_back({"glass", image, 40, -5});
    }
    {
        build::Image image(24, 10);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 24; ++x)
                set(image, x, y, {0, uint8_t(40 + x * 9), uint8_t(255 - y * 20), 255});
        all.push_back({"ui/bar", image, 0, 5});
    }
    {
        build::Image image(30, 30);
        fill(image, 20, 5, 4, 4, {255, 255, 255, 255});
        set(image, 21, 6, {10, 20, 30, 255});
        all.push_back({"dot", image, 22, 7});
    }
    {
        build::Image image(11, 11);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 11; ++x)
                set(image, x, y, {uint8_t(x * 20), uint8_t(y * 20), 255, uint8_t(255 - x * 10)});
        all.push_back({"shade", image, 5, 5});
    }
    return all;
}

void writePng(const std::string& path, const build::Image& image)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    voxa::writeFile(path, build::encodePng(image));
}

/// Writes the step's files under dir, as the builder would.
void writeOutputs(const TempDir& dir, const build::AtlasResult& result)
{
    for (const build::OutputFile& file : result.files)
        voxa::writeFile(dir / file.path, file.bytes);
}

class AtlasPixels : public WindowTest
{
protected:
    TempDir dir;
    lang::Ptr<lua::LuaState> lua;
    lang::Ptr<game::LuaResources> res;

    void start()
    {
        open(480, 320);
        context().setShaderPath(kShaders);
        lua = new lua::LuaState;
        res = new game::LuaResources(lua.ptr(), &context());
        run("res.setPath('" + dir.path() + "')");
    }
    void TearDown() override
    {
        res = nullptr;
        lua = nullptr;
        WindowTest::TearDown();
    }
    void run(const std::string& code) { lua->runString(code.c_str(), "test.lua"); }

    /// The window's RGBA pixels after drawing, rows from the top.
    std::vector<uint8_t> draw(const std::string& code)
    {
        context().clear(0xff336699, true, true, false);
        run(code);
        context().flush();
        const int w = context().width(), h = context().height();
        std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4), rows(pixels.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        for (int y = 0; y < h; ++y)
            std::copy_n(&pixels[static_cast<size_t>(h - 1 - y) * w * 4], static_cast<size_t>(w) * 4,
                        &rows[static_cast<size_t>(y) * w * 4]);
        return rows;
    }
    const uint8_t* at(const std::vector<uint8_t>& pixels, int x, int y)
    {
        return &pixels[(static_cast<size_t>(y) * context().width() + x) * 4];
    }
};

TEST_F(AtlasPixels, PackedSpritesDrawLikeTheirLooseImages)
{
    const std::vector<Picture> all = pictures();
    std::string pivotLines = "* HCENTER VCENTER\n";
    for (const Picture& p : all) {
        writePng(dir / ("images/" + p.name + ".png"), p.image);
        if (p.name != "shade") // the default centre
            pivotLines += p.name + " " + std::to_string(p.pivotX) + " " + std::to_string(p.pivotY) + "\n";
        // The loose sheet: the whole image, the untrimmed pivot.
        voxa::SpriteSheetData loose;
        loose.image = "images/" + p.name + ".png";
        loose.sprites.push_back({"loose " + p.name, 0, 0, p.image.width(), p.image.height(), p.pivotX, p.pivotY});
        std::string sheetName = "loose-" + p.name + ".dat";
        std::replace(sheetName.begin(), sheetName.end(), '/', '-');
        voxa::writeFile(dir / sheetName, voxa::writeSpriteSheet(loose));
    }
    dir.write("pivots.txt", pivotLines);
    build::AtlasSpec spec;
    spec.name = "atlas";
    spec.imagesDir = dir / "images";
    spec.pivotsFile = dir / "pivots.txt";
    const build::AtlasResult result = build::buildAtlas(spec);
    writeOutputs(dir, result);

    start();
    run("res.createSpriteSheet('atlas.dat')");
    for (const Picture& p : all) {
        std::string sheetName = "loose-" + p.name + ".dat";
        std::replace(sheetName.begin(), sheetName.end(), '/', '-');
        run("res.createSpriteSheet('" + sheetName + "')");
    }
    const std::vector<uint8_t> empty = draw("");
    for (const Picture& p : all) {
        const std::string point = ", 200, 150)";
        const std::vector<uint8_t> packed = draw("res.drawSprite('" + p.name + "'" + point);
        const std::vector<uint8_t> loose = draw("res.drawSprite('loose " + p.name + "'" + point);
        EXPECT_NE(packed, empty) << p.name << " drew nothing";
        int differ = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < context().height(); ++y) {
            for (int x = 0; x < context().width(); ++x) {
                if (!std::equal(at(packed, x, y), at(packed, x, y) + 4, at(loose, x, y)) && differ++ == 0)
                    firstX = x, firstY = y;
            }
        }
        EXPECT_EQ(differ, 0) << p.name << ": first at " << firstX << "," << firstY;
    }
}

/// Solid sprites of contrasting colours packed edge to edge (no padding): drawn larger, each
/// shows only its own colour if the extruded border keeps the filter off its neighbours.
class AtlasBleeding : public AtlasPixels
{
protected:
    const std::vector<Colour> colours{{255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},
                                      {255, 255, 255, 255}, {255, 0, 255, 255}, {0, 255, 255, 255}};

    /// How many sprites show a colour not their own somewhere, drawn at each scale.
    int bleedingSprites(int extrude, const std::string& name)
    {
        for (size_t i = 0; i < colours.size(); ++i) {
            // A transparent border makes the atlas trim: the sprite's own edge is what shows.
            build::Image image(14, 12);
            fill(image, 1, 1, 12, 10, colours[i]);
            writePng(dir / (name + "-images/" + name + "/s" + std::to_string(i) + ".png"), image);
        }
        // The sprites are NAME/s0...: the two atlases share the resources' one set of names.
        build::AtlasSpec spec;
        spec.name = name;
        spec.imagesDir = dir / (name + "-images");
        spec.padding = 0;
        spec.extrude = extrude;
        writeOutputs(dir, build::buildAtlas(spec));
        run("res.createSpriteSheet('" + name + ".dat')");

        int bleeding = 0;
        for (size_t i = 0; i < colours.size(); ++i) {
            for (float scale : {2.0f, 3.0f, 1.5f}) {
                const int w = static_cast<int>(12 * scale), h = static_cast<int>(10 * scale);
                const std::vector<uint8_t> pixels =
                    draw("res.drawSprite('" + name + "/s" + std::to_string(i) + "', 100, 80, 'TOP', 'LEFT', " + std::to_string(w) +
                         ", " + std::to_string(h) + ")");
                bool foreign = false;
                for (int y = 80; y < 80 + h && !foreign; ++y) {
                    for (int x = 100; x < 100 + w && !foreign; ++x) {
                        const uint8_t* p = at(pixels, x, y);
                        foreign = std::abs(p[0] - colours[i].r) > 2 || std::abs(p[1] - colours[i].g) > 2 ||
                                  std::abs(p[2] - colours[i].b) > 2;
                    }
                }
                // The drawing fills exactly its rectangle.
                EXPECT_FALSE(at(pixels, 99, 80)[0] == colours[i].r && at(pixels, 99, 80)[1] == colours[i].g &&
                             at(pixels, 99, 80)[2] == colours[i].b)
                    << name << " s" << i;
                if (foreign) {
                    ++bleeding;
                    break;
                }
            }
        }
        return bleeding;
    }
};

TEST_F(AtlasBleeding, LargerDrawingsShowNoNeighbourColour)
{
    start();
    EXPECT_EQ(bleedingSprites(1, "extruded"), 0);
    // Without extrusion the same drawings do take their neighbours' colours: the check sees it.
    EXPECT_GT(bleedingSprites(0, "bare"), 0);
}

} // namespace
