// The packer and the atlas step: folders of PNG images into pages and sprite sheets.

#include "TempDir.h"

#include "Atlas.h"
#include "BuildError.h"
#include "Image.h"
#include "Packer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <stdexcept>

namespace {

// ---- Helpers ----

/// A number in lo..hi from the generator: mt19937's sequence is the same everywhere, and so
/// is this mapping, unlike the standard distributions'.
int uniform(std::mt19937& random, int lo, int hi)
{
    return lo + static_cast<int>(random() % static_cast<uint32_t>(hi - lo + 1));
}

uint32_t rgba(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void set(build::Image& image, int x, int y, uint32_t colour)
{
    uint8_t* p = image.pixel(x, y);
    p[0] = uint8_t(colour >> 24), p[1] = uint8_t(colour >> 16), p[2] = uint8_t(colour >> 8), p[3] = uint8_t(colour);
}

void fill(build::Image& image, int x0, int y0, int w, int h, uint32_t colour)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            set(image, x, y, colour);
}

build::Image solid(int w, int h, uint32_t colour)
{
    build::Image image(w, h);
    fill(image, 0, 0, w, h, colour);
    return image;
}

/// Every pixel different, so that a pixel in the wrong place shows.
build::Image pattern(int w, int h, uint8_t seed)
{
    build::Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            set(image, x, y, uint32_t(seed) << 24 | uint32_t(x * 16 & 0xff) << 16 | uint32_t(y * 16 & 0xff) << 8 | 0xff);
    return image;
}

void writePng(const TempDir& dir, const std::string& relative, const build::Image& image)
{
    std::filesystem::create_directories(std::filesystem::path(dir / relative).parent_path());
    const std::vector<uint8_t> bytes = build::encodePng(image);
    dir.write(relative, std::string(bytes.begin(), bytes.end()));
}

struct SheetSprite
{
    std::string name;
    int x, y, width, height, pivotX, pivotY;
};

struct Sheet
{
    std::string image;
    std::vector<SheetSprite> sprites;
    const SheetSprite& operator[](const std::string& name) const
    {
        for (const SheetSprite& s : sprites)
            if (s.name == name)
                return s;
        throw std::runtime_error("no sprite " + name);
    }
};

/// Reads a sheet the way the engine does: the "VOXA" header, a "SPRT" chunk of version 1.
Sheet readSheet(const std::vector<uint8_t>& bytes)
{
    size_t at = 0;
    auto u8 = [&] {
        if (at >= bytes.size())
            throw std::runtime_error("the sheet ends early");
        return bytes[at++];
    };
    auto u16 = [&] { return (u8() << 8) | u8(); };
    auto s16 = [&] { return int(int16_t(uint16_t(u16()))); };
    auto u32 = [&] { return uint32_t(u16()) << 16 | uint32_t(u16()); };
    auto utf = [&] {
        const int length = u16();
        std::string text;
        for (int i = 0; i < length; ++i)
            text += char(u8());
        return text;
    };
    auto tag = [&] {
        std::string id;
        for (int i = 0; i < 4; ++i)
            id += char(u8());
        return id;
    };
    if (tag() != "VOXA" || u32() != bytes.size() - 8)
        throw std::runtime_error("no VOXA header");
    if (tag() != "SPRT")
        throw std::runtime_error("no SPRT chunk");
    const uint32_t length = u32();
    if (at + length != bytes.size() || u16() != 1)
        throw std::runtime_error("a bad SPRT chunk");
    Sheet sheet;
    sheet.image = utf();
    const int count = s16();
    for (int i = 0; i < count; ++i) {
        SheetSprite s;
        s.name = utf();
        s.x = s16(), s.y = s16(), s.width = s16(), s.height = s16(), s.pivotX = s16(), s.pivotY = s16();
        sheet.sprites.push_back(s);
    }
    if (at != bytes.size())
        throw std::runtime_error("bytes after the sprites");
    return sheet;
}

const build::OutputFile& output(const build::AtlasResult& result, const std::string& path)
{
    for (const build::OutputFile& file : result.files)
        if (file.path == path)
            return file;
    throw std::runtime_error("no output " + path);
}

build::Image page(const build::AtlasResult& result, const std::string& path)
{
    const std::vector<uint8_t>& bytes = output(result, path).bytes;
    return build::decodePng(std::string(bytes.begin(), bytes.end()), path);
}

/// The error a build throws, or a failed test.
build::BuildError buildError(const build::AtlasSpec& spec)
{
    try {
        build::buildAtlas(spec);
    } catch (const build::BuildError& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return build::BuildError("", "(no error)");
}

struct Box
{
    int x, y, w, h;
};

bool overlap(const Box& a, const Box& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool isPowerOfTwo(int v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

// ---- The packer ----

std::vector<build::PackSize> randomSizes(unsigned seed, int count, int lo, int hi)
{
    std::mt19937 random(seed);
    std::vector<build::PackSize> sizes;
    for (int i = 0; i < count; ++i) {
        const int w = uniform(random, lo, hi);
        sizes.push_back({w, uniform(random, lo, hi)});
    }
    return sizes;
}

/// Every piece lies on a page, inside it, apart from every other; no page is over the
/// maximum, and each page holds at least one piece.
void expectValidPacking(const std::vector<build::PackSize>& sizes, const build::PackResult& result,
                        const build::PackOptions& options, const std::string& what)
{
    ASSERT_EQ(result.placements.size(), sizes.size()) << what;
    std::vector<int> used(result.pages.size(), 0);
    for (const build::PackSize& p : result.pages) {
        EXPECT_LE(p.width, options.maxWidth) << what;
        EXPECT_LE(p.height, options.maxHeight) << what;
        if (options.powerOfTwo) {
            EXPECT_TRUE(isPowerOfTwo(p.width) && isPowerOfTwo(p.height)) << what << ": " << p.width << "x" << p.height;
        }
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        const build::Placement& a = result.placements[i];
        ASSERT_GE(a.page, 0) << what;
        ASSERT_LT(a.page, int(result.pages.size())) << what;
        ++used[size_t(a.page)];
        EXPECT_GE(a.x, 0) << what << " piece " << i;
        EXPECT_GE(a.y, 0) << what << " piece " << i;
        EXPECT_LE(a.x + sizes[i].width, result.pages[size_t(a.page)].width) << what << " piece " << i;
        EXPECT_LE(a.y + sizes[i].height, result.pages[size_t(a.page)].height) << what << " piece " << i;
        for (size_t j = 0; j < i; ++j) {
            const build::Placement& b = result.placements[j];
            if (a.page == b.page) {
                EXPECT_FALSE(overlap({a.x, a.y, sizes[i].width, sizes[i].height},
                                     {b.x, b.y, sizes[j].width, sizes[j].height}))
                    << what << ": pieces " << i << " and " << j;
            }
        }
    }
    for (size_t p = 0; p < used.size(); ++p)
        EXPECT_GT(used[p], 0) << what << ": page " << p << " is empty";
}

TEST(Packer, PlacementsStayOnTheirPagesApartFromEachOther)
{
    const std::vector<build::PackSize> sizes = randomSizes(7, 300, 1, 100);
    for (const build::PackOptions& options : {build::PackOptions{2048, 2048, false}, build::PackOptions{256, 256, false},
                                              build::PackOptions{256, 200, true}, build::PackOptions{300, 300, true},
                                              build::PackOptions{100, 100, false}}) {
        const std::string what = std::to_string(options.maxWidth) + "x" + std::to_string(options.maxHeight) +
                                 (options.powerOfTwo ? " power of two" : "");
        expectValidPacking(sizes, build::pack(sizes, options), options, what);
    }
    // Pieces the size of the page, and nothing at all.
    const std::vector<build::PackSize> whole(3, build::PackSize{64, 64});
    const build::PackResult full = build::pack(whole, {64, 64, false});
    EXPECT_EQ(full.pages.size(), 3u);
    expectValidPacking(whole, full, {64, 64, false}, "whole pages");
    EXPECT_TRUE(build::pack({}, {64, 64, false}).pages.empty());
}

TEST(Packer, SmallPagesMakeMorePages)
{
    const std::vector<build::PackSize> sizes(20, build::PackSize{100, 100});
    // Four fit on a 256 page, so at least five pages; 2048 holds them all.
    const build::PackResult small = build::pack(sizes, {256, 256, false});
    EXPECT_EQ(small.pages.size(), 5u);
    expectValidPacking(sizes, small, {256, 256, false}, "256");
    const build::PackResult large = build::pack(sizes, {2048, 2048, false});
    EXPECT_EQ(large.pages.size(), 1u);
    // One page of the smallest area that holds them: 20 x 100 x 100 packs in 400 x 500.
    EXPECT_EQ(long(large.pages[0].width) * large.pages[0].height, 200000L);
}

TEST(Packer, PowerOfTwoPagesStayWithinTheMaximum)
{
    const std::vector<build::PackSize> sizes(10, build::PackSize{300, 300});
    // 1000 is no power of two: rounded up, a page would be 1024, over the maximum.
    const build::PackResult result = build::pack(sizes, {1000, 1000, true});
    expectValidPacking(sizes, result, {1000, 1000, true}, "1000 power of two");
    for (const build::PackSize& p : result.pages)
        EXPECT_EQ(p.width, 512);
    // 600 is more than a 512 page holds.
    EXPECT_THROW(build::pack({{600, 10}}, {1000, 1000, true}), std::invalid_argument);
}

TEST(Packer, SameInputSameResultAndTooLargeNamed)
{
    const std::vector<build::PackSize> sizes = randomSizes(99, 400, 4, 90);
    const build::PackResult a = build::pack(sizes, {512, 512, false}), b = build::pack(sizes, {512, 512, false});
    ASSERT_EQ(a.pages.size(), b.pages.size());
    for (size_t i = 0; i < a.pages.size(); ++i)
        EXPECT_TRUE(a.pages[i].width == b.pages[i].width && a.pages[i].height == b.pages[i].height);
    for (size_t i = 0; i < sizes.size(); ++i)
        EXPECT_TRUE(a.placements[i].page == b.placements[i].page && a.placements[i].x == b.placements[i].x &&
                    a.placements[i].y == b.placements[i].y)
            << i;

    try {
        build::pack({{10, 10}, {10, 10}, {10, 65}}, {64, 64, false});
        ADD_FAILURE() << "a piece taller than the page was packed";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("rectangle 2"), std::string::npos) << e.what();
    }
}

// ---- The atlas ----

class Atlas : public ::testing::Test
{
protected:
    TempDir dir;
    build::AtlasSpec spec;

    void SetUp() override
    {
        spec.name = "sprites/game";
        spec.imagesDir = dir / "images";
        spec.origin = {dir / "game.lua", 12};
        std::filesystem::create_directories(spec.imagesDir);
    }
    void image(const std::string& relative, const build::Image& picture) { writePng(dir, "images/" + relative, picture); }
    void pivots(const std::string& text)
    {
        dir.write("pivots.txt", text);
        spec.pivotsFile = dir / "pivots.txt";
    }
    Sheet sheet(const build::AtlasResult& result, const std::string& path = "sprites/game.dat")
    {
        return readSheet(output(result, path).bytes);
    }
};

TEST_F(Atlas, SpriteNamesComeFromThePathsInByteOrder)
{
    image("b.png", solid(2, 2, 0xff0000ff));
    image("a.PNG", solid(2, 2, 0x00ff00ff));
    image("ui/button.png", solid(3, 2, 0x0000ffff));
    image("ui/deep/knob.Png", solid(2, 3, 0xffff00ff));
    image("B.png", solid(1, 1, 0xffffffff));
    dir.write("images/notes.txt", "not an image");
    dir.write("images/c.png.bak", "not an image either");
    std::filesystem::create_directories(dir / "images/empty.png"); // a folder, not an image

    const build::AtlasResult result = build::buildAtlas(spec);
    const std::vector<std::string> expected{"B", "a", "b", "ui/button", "ui/deep/knob"};
    EXPECT_EQ(result.sprites, expected);
    ASSERT_EQ(result.files.size(), 2u);
    EXPECT_EQ(result.files[0].path, "sprites/game.png");
    EXPECT_EQ(result.files[1].path, "sprites/game.dat");
    const Sheet s = sheet(result);
    EXPECT_EQ(s.image, "game.png");
    std::vector<std::string> names;
    for (const SheetSprite& sprite : s.sprites)
        names.push_back(sprite.name);
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(result.warnings.empty());

    const std::vector<std::string> inputs{dir / "images/B.png", dir / "images/a.PNG", dir / "images/b.png",
                                          dir / "images/ui/button.png", dir / "images/ui/deep/knob.Png"};
    EXPECT_EQ(build::atlasInputs(spec), inputs);
    pivots("");
    std::vector<std::string> withPivots = inputs;
    withPivots.push_back(dir / "pivots.txt");
    EXPECT_EQ(build::atlasInputs(spec), withPivots);
}

TEST_F(Atlas, TrimmedSpritesLandWhereTheWholeImageWould)
{
    // Odd sizes and uneven borders, so that a pivot moved the wrong way or by the wrong
    // side's cut shows.
    build::Image framed(11, 9);
    for (int y = 2; y < 6; ++y)
        for (int x = 3; x < 8; ++x)
            set(framed, x, y, uint32_t(x * 20) << 24 | uint32_t(y * 30) << 16 | 0x4080);
    set(framed, 3, 2, 0xff000001); // nearly transparent still counts
    image("framed.png", framed);
    build::Image blank(6, 4);
    set(blank, 2, 2, 0xffffff00); // colour without alpha is transparent
    image("blank.png", blank);
    image("whole.png", pattern(5, 3, 9));

    const build::AtlasResult result = build::buildAtlas(spec);
    const Sheet s = sheet(result);
    const build::Image atlas = page(result, "sprites/game.png");

    const SheetSprite& f = s["framed"];
    EXPECT_EQ(f.width, 5);
    EXPECT_EQ(f.height, 4);
    // The default pivot is the untrimmed centre (5, 4), rounded down like the engine's anchors.
    EXPECT_EQ(f.pivotX, 5 - 3);
    EXPECT_EQ(f.pivotY, 4 - 2);
    // Drawn with its pivot on a point, every pixel of the source lands where it was.
    for (int y = 0; y < framed.height(); ++y) {
        for (int x = 0; x < framed.width(); ++x) {
            const int ax = x - 5 + f.pivotX, ay = y - 4 + f.pivotY; // in the trimmed sprite
            const bool inside = ax >= 0 && ay >= 0 && ax < f.width && ay < f.height;
            if (inside) {
                EXPECT_EQ(rgba(atlas.pixel(f.x + ax, f.y + ay)), rgba(framed.pixel(x, y))) << x << "," << y;
            } else {
                EXPECT_EQ(framed.alpha(x, y), 0) << "cut away at " << x << "," << y;
            }
        }
    }

    const SheetSprite& b = s["blank"];
    EXPECT_EQ(b.width, 1);
    EXPECT_EQ(b.height, 1);
    EXPECT_EQ(b.pivotX, 3);
    EXPECT_EQ(b.pivotY, 2);
    EXPECT_EQ(atlas.alpha(b.x, b.y), 0);

    const SheetSprite& w = s["whole"];
    EXPECT_EQ(w.width, 5);
    EXPECT_EQ(w.height, 3);
    EXPECT_EQ(w.pivotX, 2);
    EXPECT_EQ(w.pivotY, 1);

    // Without trimming the borders stay and the pivot is the image's.
    spec.trim = false;
    const Sheet untrimmed = sheet(build::buildAtlas(spec));
    EXPECT_EQ(untrimmed["framed"].width, 11);
    EXPECT_EQ(untrimmed["framed"].height, 9);
    EXPECT_EQ(untrimmed["framed"].pivotX, 5);
    EXPECT_EQ(untrimmed["framed"].pivotY, 4);
    EXPECT_EQ(untrimmed["blank"].width, 6);
}

TEST_F(Atlas, PivotsFromPixelsAnchorsAndTheDefault)
{
    for (const char* name : {"at", "corner", "side", "plain", "mid", "ui/far"})
        image(std::string(name) + ".png", solid(9, 7, 0x808080ff));
    const std::string text = "# where sprites hang\n"
                             "\n"
                             "   # an indented comment\n"
                             "* LEFT BOTTOM\r\n"
                             "at 3 -2\n"
                             "corner RIGHT TOP\n"
                             "side VCENTER\n"
                             "mid  HCENTER\tVCENTER\n"
                             "ui/far 100 -40";
    pivots(text + "\n");
    spec.trim = false;
    const Sheet s = sheet(build::buildAtlas(spec));
    auto pivot = [&](const std::string& name) { return std::make_pair(s[name].pivotX, s[name].pivotY); };
    EXPECT_EQ(pivot("at"), std::make_pair(3, -2));
    EXPECT_EQ(pivot("corner"), std::make_pair(9, 0));
    EXPECT_EQ(pivot("side"), std::make_pair(0, 3)); // the horizontal one from '*'
    EXPECT_EQ(pivot("plain"), std::make_pair(0, 7));
    EXPECT_EQ(pivot("mid"), std::make_pair(4, 3));
    EXPECT_EQ(pivot("ui/far"), std::make_pair(100, -40));

    // A position outside 16 bits can't be written.
    pivots(text + "000\n");
    const build::BuildError e = buildError(spec);
    EXPECT_EQ(e.file(), dir / "pivots.txt");
    EXPECT_EQ(e.line(), 9);

    // Trimmed, pixel positions move with the cut; without a pivots file sprites hang by
    // their centre.
    image("ui/far.png", [] {
        build::Image framed(9, 7);
        fill(framed, 2, 1, 4, 4, 0xffffffff);
        return framed;
    }());
    spec.trim = true;
    pivots("ui/far 100 -40\n");
    const Sheet moved = sheet(build::buildAtlas(spec));
    EXPECT_EQ(moved["ui/far"].pivotX, 98);
    EXPECT_EQ(moved["ui/far"].pivotY, -41);
    EXPECT_EQ(moved["at"].pivotX, 4);
    EXPECT_EQ(moved["at"].pivotY, 3);
    spec.pivotsFile.clear();
    EXPECT_EQ(sheet(build::buildAtlas(spec))["ui/far"].pivotX, 4 - 2);
}

TEST_F(Atlas, ExtrusionRepeatsTheEdgesAndPaddingKeepsNeighboursApart)
{
    std::mt19937 random(5);
    for (int i = 0; i < 12; ++i)
        image("p" + std::to_string(i) + ".png",
              pattern(uniform(random, 1, 9), uniform(random, 1, 9), uint8_t(i * 20 + 1)));
    for (int extrude : {0, 1, 2}) {
        spec.extrude = extrude;
        spec.padding = 3;
        const build::AtlasResult result = build::buildAtlas(spec);
        const Sheet s = sheet(result);
        const build::Image atlas = page(result, "sprites/game.png");
        std::vector<Box> taken;
        for (const SheetSprite& sprite : s.sprites) {
            const build::Image source = build::readPng(dir / ("images/" + sprite.name + ".png"));
            ASSERT_EQ(sprite.width, source.width());
            ASSERT_EQ(sprite.height, source.height());
            for (int dy = -extrude; dy < sprite.height + extrude; ++dy) {
                for (int dx = -extrude; dx < sprite.width + extrude; ++dx) {
                    const int sx = std::clamp(dx, 0, sprite.width - 1), sy = std::clamp(dy, 0, sprite.height - 1);
                    ASSERT_EQ(rgba(atlas.pixel(sprite.x + dx, sprite.y + dy)), rgba(source.pixel(sx, sy)))
                        << sprite.name << " extruded " << extrude << " at " << dx << "," << dy;
                }
            }
            taken.push_back({sprite.x - extrude, sprite.y - extrude, sprite.width + 2 * extrude + spec.padding,
                             sprite.height + 2 * extrude + spec.padding});
        }
        // Each sprite's extruded rectangle and the padding after it overlap no other.
        for (size_t i = 0; i < taken.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                EXPECT_FALSE(overlap(taken[i], taken[j])) << s.sprites[i].name << " and " << s.sprites[j].name;
        // What no sprite takes is transparent.
        int coloured = 0;
        for (int y = 0; y < atlas.height(); ++y)
            for (int x = 0; x < atlas.width(); ++x)
                coloured += atlas.alpha(x, y) != 0;
        int expected = 0;
        for (const SheetSprite& sprite : s.sprites)
            expected += (sprite.width + 2 * extrude) * (sprite.height + 2 * extrude);
        EXPECT_EQ(coloured, expected) << "extrude " << extrude;
    }
}

TEST_F(Atlas, SameInputsGiveTheSameBytes)
{
    std::mt19937 random(3);
    for (int i = 0; i < 30; ++i)
        image("s" + std::to_string(i) + ".png", pattern(uniform(random, 2, 15), uniform(random, 2, 15), uint8_t(i)));
    const build::AtlasResult a = build::buildAtlas(spec);
    // The same images in another folder, written in another order.
    TempDir other;
    for (int i = 29; i >= 0; --i)
        writePng(other, "s" + std::to_string(i) + ".png", build::readPng(dir / ("images/s" + std::to_string(i) + ".png")));
    spec.imagesDir = other.path();
    const build::AtlasResult b = build::buildAtlas(spec);
    ASSERT_EQ(a.files.size(), b.files.size());
    for (size_t i = 0; i < a.files.size(); ++i) {
        EXPECT_EQ(a.files[i].path, b.files[i].path);
        EXPECT_TRUE(a.files[i].bytes == b.files[i].bytes) << a.files[i].path;
    }
    const std::vector<uint8_t>& png = output(a, "sprites/game.png").bytes;
    EXPECT_EQ(std::search(png.begin(), png.end(), "tIME", "tIME" + 4), png.end());
}

TEST_F(Atlas, SeveralPagesAndPowerOfTwoSides)
{
    // 40 + 2 + 2 = 44: one a page of 64, so five pages.
    for (int i = 0; i < 5; ++i)
        image("big" + std::to_string(i) + ".png", solid(40, 40, 0x102030ff + uint32_t(i) * 0x10000000));
    spec.maxSize = 64;
    spec.name = "game";
    const build::AtlasResult result = build::buildAtlas(spec);
    std::vector<std::string> paths;
    for (const build::OutputFile& file : result.files)
        paths.push_back(file.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"game.png", "game.dat", "game-2.png", "game-2.dat", "game-3.png",
                                               "game-3.dat", "game-4.png", "game-4.dat", "game-5.png",
                                               "game-5.dat"}));
    std::vector<std::string> all;
    for (int p = 1; p <= 5; ++p) {
        const std::string base = p == 1 ? "game" : "game-" + std::to_string(p);
        const Sheet s = sheet(result, base + ".dat");
        EXPECT_EQ(s.image, base + ".png");
        ASSERT_EQ(s.sprites.size(), 1u);
        all.push_back(s.sprites[0].name);
        const build::Image atlas = page(result, base + ".png");
        EXPECT_LE(atlas.width(), 64);
        EXPECT_EQ(rgba(atlas.pixel(s.sprites[0].x, s.sprites[0].y)), 0x102030ffu + uint32_t(s.sprites[0].name[3] - '0') * 0x10000000);
    }
    EXPECT_EQ(all, result.sprites);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"big0", "big1", "big2", "big3", "big4"}));

    // Small sprites share a page whose sides are powers of two.
    spec.maxSize = 2048;
    spec.powerOfTwo = true;
    image("odd.png", solid(3, 77, 0xffffffff));
    const build::AtlasResult square = build::buildAtlas(spec);
    ASSERT_EQ(square.files.size(), 2u);
    const build::Image atlas = page(square, "game.png");
    EXPECT_TRUE(isPowerOfTwo(atlas.width()) && isPowerOfTwo(atlas.height())) << atlas.width() << "x" << atlas.height();
}

TEST_F(Atlas, AnEmptyFolderMakesAnEmptySheetAndSaysSo)
{
    const build::AtlasResult result = build::buildAtlas(spec);
    EXPECT_TRUE(sheet(result).sprites.empty());
    EXPECT_EQ(page(result, "sprites/game.png").width(), 1);
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_NE(result.warnings[0].find(spec.imagesDir), std::string::npos) << result.warnings[0];
}

// ---- Bad input ----

TEST_F(Atlas, BadImagesAreNamed)
{
    image("good.png", solid(4, 4, 0xffffffff));
    std::filesystem::create_directories(dir / "images/sub");
    dir.write("images/sub/broken.png", "GIF89a, not a PNG");
    build::BuildError e = buildError(spec);
    EXPECT_EQ(e.file(), dir / "images/sub/broken.png");
    EXPECT_NE(std::string(e.what()).find(dir / "images/sub/broken.png"), std::string::npos) << e.what();
    std::filesystem::remove(dir / "images/sub/broken.png");

    // Two files of one sprite name: both named.
    image("good.PNG", solid(4, 4, 0xffffffff));
    e = buildError(spec);
    const std::string message = e.what();
    EXPECT_NE(message.find(dir / "images/good.png"), std::string::npos) << message;
    EXPECT_NE(message.find(dir / "images/good.PNG"), std::string::npos) << message;
    std::filesystem::remove(dir / "images/good.PNG");

    // Too large for a page once extruded and padded: 61 + 2 + 2 > 64. Trimmed, it fits.
    spec.maxSize = 64;
    build::Image wide(61, 10);
    fill(wide, 0, 3, 61, 2, 0xffffffff);
    image("wide.png", wide);
    e = buildError(spec);
    EXPECT_EQ(e.file(), dir / "images/wide.png");
    EXPECT_NE(e.text().find("64"), std::string::npos) << e.what();
    build::Image framed(100, 100);
    fill(framed, 40, 40, 10, 10, 0xffffffff);
    image("wide.png", framed);
    EXPECT_NO_THROW(build::buildAtlas(spec));
    // A power-of-two page of at most 100 is 64.
    spec.maxSize = 100;
    spec.powerOfTwo = true;
    image("wide.png", wide);
    EXPECT_EQ(buildError(spec).file(), dir / "images/wide.png");

    // A folder that isn't there: the manifest entry is named.
    spec.imagesDir = dir / "nowhere";
    e = buildError(spec);
    EXPECT_EQ(e.file(), dir / "game.lua");
    EXPECT_EQ(e.line(), 12);
    EXPECT_NE(e.text().find("nowhere"), std::string::npos) << e.what();
    EXPECT_THROW(build::atlasInputs(spec), build::BuildError);
}

TEST_F(Atlas, BadPivotLinesGiveFileAndLine)
{
    image("hero.png", solid(4, 4, 0xffffffff));
    image("ui/icon.png", solid(4, 4, 0xffffffff));
    const struct
    {
        const char* text;
        int line;
        const char* says;
    } cases[] = {
        {"hero 1 2\nvillain 1 2\n", 2, "villain"},
        {"# c\n\nhero LEFT MIDDLE\n", 3, "MIDDLE"},
        {"hero left\n", 1, "left"},
        {"hero 1\n", 1, "NAME X Y"},
        {"hero 1 TOP\n", 1, "NAME X Y"},
        {"hero 1 2 3\n", 1, "NAME X Y"},
        {"hero\n", 1, "NAME X Y"},
        {"hero 1.5 2\n", 1, "1.5"},
        {"hero LEFT RIGHT\n", 1, "horizontal"},
        {"ui/icon TOP\nhero 0 0\nui/icon BOTTOM\n", 3, "line 1"},
        {"* LEFT\n* TOP\n", 2, "line 1"},
        {"hero 1 99999999999\n", 1, "99999999999"},
    };
    for (const auto& c : cases) {
        pivots(c.text);
        const build::BuildError e = buildError(spec);
        EXPECT_EQ(e.file(), dir / "pivots.txt") << c.text;
        EXPECT_EQ(e.line(), c.line) << c.text;
        EXPECT_NE(e.text().find(c.says), std::string::npos) << c.text << " -> " << e.what();
        EXPECT_EQ(std::string(e.what()).rfind(dir / "pivots.txt:" + std::to_string(c.line) + ": ", 0), 0u) << e.what();
    }
    spec.pivotsFile = dir / "missing.txt";
    EXPECT_EQ(buildError(spec).file(), dir / "missing.txt");
}

// ---- Density ----

TEST_F(Atlas, TwoHundredRandomSpritesPackTightly)
{
    std::mt19937 random(20240601);
    long slotArea = 0;
    for (int i = 0; i < 200; ++i) {
        const int w = uniform(random, 8, 128), h = uniform(random, 8, 128);
        const int left = uniform(random, 0, 5), top = uniform(random, 0, 5);
        build::Image picture(w + left + uniform(random, 0, 5), h + top + uniform(random, 0, 5));
        fill(picture, left, top, w, h, 0x204060ffu + uint32_t(i) * 0x01000000u);
        char name[16];
        std::snprintf(name, sizeof(name), "s%03d.png", i);
        image(name, picture);
        slotArea += long(w + 2 + 2) * (h + 2 + 2);
    }
    spec.padding = 2;
    spec.extrude = 1;
    const build::AtlasResult result = build::buildAtlas(spec);
    long pageArea = 0;
    for (const build::OutputFile& file : result.files) {
        if (file.path.size() > 4 && file.path.compare(file.path.size() - 4, 4, ".png") == 0) {
            const build::Image atlas = page(result, file.path);
            pageArea += long(atlas.width()) * atlas.height();
        }
    }
    const double density = double(pageArea) / double(slotArea);
    std::cout << "atlas area / slot area for 200 random sprites: " << density << "\n";
    RecordProperty("atlas_area_over_slot_area", std::to_string(density));
    EXPECT_LE(density, 1.15);
}

} // namespace
