// The resource registry as the scripts see it: the res table over real files.

#include "DrawingContext.h"
#include "Failure.h"
#include "GameFixture.h"
#include "TempDir.h"

#include "ResourceWriters.h"
#include "game/LuaResources.h"
#include "lua/LuaState.h"

#include <gtest/gtest.h>

using lang::String;

namespace {

class Res : public ::testing::Test
{
protected:
    TempDir dir;
    LogCapture log;
    lang::Ptr<DrawingContext> context = new DrawingContext;
    lang::Ptr<lua::LuaState> lua = new lua::LuaState;
    lang::Ptr<game::LuaResources> res = new game::LuaResources(lua.ptr(), context.ptr());

    void SetUp() override
    {
        std::system(("mkdir -p '" + dir / "a" + "' '" + dir / "b" + "'").c_str());
        for (const char* image : {"a/atlas.png", "b/atlas.png", "font.png"})
            dir.write(image, "stand-in");
        voxa::SpriteSheetData sheet;
        sheet.image = "atlas.png";
        sheet.sprites = {{"ball", 0, 0, 20, 10, 10, 5}, {"A", 0, 20, 10, 10, 5, 5}, {"B", 10, 20, 20, 10, 0, 0}};
        write("a/menu.dat", voxa::writeSpriteSheet(sheet));
        sheet.sprites = {{"ball", 0, 0, 40, 40, 0, 0}};
        write("b/menu.dat", voxa::writeSpriteSheet(sheet));
        write("compo.dat", voxa::writeCompoSprites({{"AB", {{"A", 0, 0}, {"B", 10, -5}}}}));
        voxa::TextTable texts;
        texts.languages = {"en_EN", "fi_FI"};
        texts.ids = {"PLAY"};
        texts.texts = {{"Ag"}, {"gA"}};
        write("TEXTS_BASIC.dat", voxa::writeTexts(texts));
        voxa::FontData font;
        font.image = "font.png";
        font.tracking = 1;
        font.glyphs = {{'A', 0, 0, 10, 12, 9}, {'g', 10, 0, 8, 14, 8}};
        write("font.dat", voxa::writeFont(font));
        run("res.setPath('" + dir.path() + "')");
    }

    void write(const std::string& name, const std::vector<uint8_t>& data)
    {
        dir.write(name, std::string(data.begin(), data.end()));
    }
    void run(const std::string& code) { lua->runString(code.c_str(), "test.lua"); }
    float number(const std::string& code)
    {
        run("__result = " + code);
        return lua->globals().getNumber("__result");
    }
    std::string text(const std::string& code)
    {
        run("__result = " + code);
        return lua->globals().getString("__result").str();
    }
    std::string error(const std::string& code)
    {
        return messageOf<lang::Throwable>([&] { run(code); });
    }
    game::Resources& resources() { return *res->resources(); }
};

TEST_F(Res, CreatingAgainKeepsTheFirstUnlessReloaded)
{
    run("res.createSpriteSheet('a/menu.dat')");
    run("res.createSpriteSheet('b/menu.dat')");
    run("res.createSpriteSheet('b/menu.dat', 'yes')"); // not a boolean: no reload
    run("w, h = res.getSpriteBounds('ball')");
    EXPECT_EQ(lua->globals().getNumber("w"), 20);
    EXPECT_EQ(context->loaded.size(), 1u);

    run("res.createSpriteSheet('b/menu.dat', true)");
    run("w, h = res.getSpriteBounds('ball')");
    EXPECT_EQ(lua->globals().getNumber("w"), 40);
    // The reloaded sheet's sprite names replace the old ones: A is gone with it.
    run("w, h = res.getSpriteBounds('A')");
    EXPECT_EQ(lua->globals().getNumber("w"), 0);
}

TEST_F(Res, AReleasedSheetDrawsNothing)
{
    run("res.createSpriteSheet('a/menu.dat')");
    run("res.drawSprite('ball', 100, 100)");
    EXPECT_EQ(context->take().size(), 1u);

    log.clear();
    run("res.releaseSpriteSheet('a/menu.dat')");
    EXPECT_EQ(log.text(), "Releasing spritesheet a/menu.dat\n");
    run("res.drawSprite('ball', 100, 100)");
    EXPECT_TRUE(context->take().empty());
    run("w, h = res.getSpriteBounds('ball')");
    EXPECT_EQ(lua->globals().getNumber("w"), 0);
    EXPECT_EQ(lua->globals().getNumber("h"), 0);
    run("res.releaseSpriteSheet('a/menu.dat')"); // already gone: nothing happens
}

TEST_F(Res, ReleasingASheetKeepsNamesALaterSheetTookOver)
{
    dir.write("other.png", "stand-in");
    voxa::SpriteSheetData other;
    other.image = "other.png";
    other.sprites = {{"ball", 0, 0, 7, 7, 0, 0}};
    write("other.dat", voxa::writeSpriteSheet(other));
    run("res.createSpriteSheet('a/menu.dat')");
    run("res.createSpriteSheet('other.dat')");
    run("res.releaseSpriteSheet('a/menu.dat')");
    EXPECT_EQ(number("res.getSpriteBounds('ball')"), 7);
}

TEST_F(Res, CompositeSpritesOutliveTheirPartsSheet)
{
    run("res.createSpriteSheet('a/menu.dat')");
    run("res.createCompoSpriteSet('compo.dat')");
    run("res.drawCompoSprite('AB', 100, 100, 'TOP', 'LEFT')");
    std::vector<DrawnQuad> before = context->take();
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0].x, 100);
    EXPECT_EQ(before[0].y, 100);

    run("res.releaseSpriteSheet('a/menu.dat')");
    run("res.drawCompoSprite('AB', 100, 100, 'TOP', 'LEFT')");
    std::vector<DrawnQuad> after = context->take();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].x, before[1].x);
    EXPECT_EQ(after[1].u0, before[1].u0);
    EXPECT_EQ(after[1].image, dir / "a/atlas.png");
}

TEST_F(Res, CompositeSpriteBoundsAndParts)
{
    run("res.createSpriteSheet('a/menu.dat')");
    run("res.createCompoSpriteSet('compo.dat')");
    run("l, t, r, b = res.getCompoSpriteBounds('AB')");
    run("l2, t2, r2, b2 = res:getCompoSpriteBounds('AB')");
    for (const char* name : {"l", "t", "r", "b"})
        EXPECT_EQ(lua->globals().getNumber(name), lua->globals().getNumber((std::string(name) + "2").c_str()));
    EXPECT_EQ(lua->globals().getNumber("l"), -5);
    EXPECT_EQ(lua->globals().getNumber("t"), -5);
    EXPECT_EQ(lua->globals().getNumber("r"), 30);
    EXPECT_EQ(lua->globals().getNumber("b"), 5);
    run("px, py = res.getSpritePivot('AB')");
    EXPECT_EQ(lua->globals().getNumber("px"), 5);
    EXPECT_EQ(text("(function() local d = res.getCompoSpriteData('AB') return #d .. ':' .. d[2][1] .. "
                   "',' .. d[2][2] .. ',' .. d[2][3] end)()"),
              "2:B,10,-5");
    EXPECT_EQ(number("#res.getCompoSpriteData('ball')"), 0);
    // A composite sprite ignores a size given to it.
    run("res.drawSprite('AB', 100, 100, 'TOP', 'LEFT', 500, 500)");
    EXPECT_EQ(context->take()[1].width, 20);
}

TEST_F(Res, BothCallingFormsDrawTheSame)
{
    run("res.createSpriteSheet('a/menu.dat')");
    run("res.drawSprite('ball', 10, 20)");
    std::vector<DrawnQuad> dot = context->take();
    run("res:drawSprite('ball', 10, 20)");
    std::vector<DrawnQuad> colon = context->take();
    ASSERT_EQ(dot.size(), 1u);
    ASSERT_EQ(colon.size(), 1u);
    EXPECT_EQ(std::make_pair(dot[0].x, dot[0].y), std::make_pair(0.0f, 15.0f));
    EXPECT_EQ(std::make_pair(colon[0].x, colon[0].y), std::make_pair(dot[0].x, dot[0].y));

    // Seven arguments give a size; the anchors still use the sprite's own.
    run("res:drawSprite('ball', 10, 20, 'TOP', 'RIGHT', 60, 30)");
    std::vector<DrawnQuad> sized = context->take();
    ASSERT_EQ(sized.size(), 1u);
    EXPECT_EQ(sized[0].x, -10);
    EXPECT_EQ(sized[0].width, 60);
    EXPECT_EQ(sized[0].height, 30);
    run("res.drawSprite('nothing', 10, 20)");
    EXPECT_TRUE(context->take().empty());
    EXPECT_EQ(error("res.drawSprite('ball', 10, 20, 'UP')"), "Invalid anchor: UP");
}

TEST_F(Res, TextsByIdInTheCurrentLocale)
{
    EXPECT_EQ(text("res.getString('NOPE', 'PLAY')"), "PLAY");
    run("res.createTextGroupSet('TEXTS_BASIC.dat')");
    run("res.loadLocale('TEXTS_BASIC', 'fi_FI')");
    EXPECT_EQ(error("res.getString('TEXTS_BASIC', 'PLAY')"),
              "Trying to get TextGroup for language which is not loaded. Language: \"en_EN\"");
    run("res.useLocale('fi_FI')");
    EXPECT_EQ(text("res.getLocale()"), "fi_FI");
    EXPECT_EQ(text("res.getString('TEXTS_BASIC', 'PLAY')"), "gA");
    EXPECT_EQ(text("res.getString('TEXTS_BASIC', 'MISSING')"), "MISSING");
    // Loading a locale replaces the loaded ones.
    run("res.loadLocale('TEXTS_BASIC', 'en_EN')");
    EXPECT_FALSE(resources().textGroupSet("TEXTS_BASIC")->isLoaded("fi_FI"));
    log.clear();
    run("res.releaseTextGroupSet('TEXTS_BASIC.dat')");
    EXPECT_EQ(log.text(), "Releasing textgroupset TEXTS_BASIC.dat\n");
    EXPECT_EQ(text("res.getString('TEXTS_BASIC', 'PLAY')"), "PLAY");
}

TEST_F(Res, FontsDrawAndMeasure)
{
    EXPECT_EQ(error("res.drawString('TEXTS_BASIC', 'PLAY', 0, 0)"), "No font is set while trying to draw string");
    EXPECT_EQ(error("res.getStringWidth('Ag')"), "No font is set while trying to get string width");
    EXPECT_EQ(error("res.getFontMaxAscending()"), "No font is set while trying to get font max ascending");
    EXPECT_EQ(error("res.getFontMaxDescending()"), "No font is set while trying to get font max descending");
    EXPECT_EQ(error("res.getFontLeading()"), "No font is set while trying to get font leading");
    EXPECT_EQ(error("res.getFontTracking()"), "No font is set while trying to get font tracking");
    EXPECT_EQ(error("res.getFontHeight()"), "No font is set while trying to get font height!");

    run("res.createBitmapFont('font.dat')");
    run("res.useFont('nothing')");
    EXPECT_FALSE(resources().font());
    run("res.useFont('font')");
    EXPECT_EQ(number("res.getStringWidth('Ag')"), 19);
    EXPECT_EQ(number("res.getFontHeight()"), 15);
    EXPECT_EQ(number("res.getFontMaxAscending()"), 9);
    EXPECT_EQ(number("res.getFontTracking()"), 1);

    // The id is drawn when there are no texts; TOP, LEFT by default.
    run("res.drawString('TEXTS_BASIC', 'gA', 30, 40)");
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(std::make_pair(quads[0].x, quads[0].y), std::make_pair(30.0f, 41.0f));
    run("res.drawString('TEXTS_BASIC', 'gA', 30, 40, 'RIGHT', 'BASELINE')");
    quads = context->take();
    EXPECT_EQ(quads[1].x + quads[1].width, 30);
    EXPECT_EQ(quads[1].y, 31);

    // The current font stays usable after its entry is released.
    run("res.releaseFont('font.dat')");
    EXPECT_EQ(number("res.getStringWidth('A')"), 10);
    run("res.createSystemFont('Arial', true)");
}

TEST_F(Res, ClipRectangleIsTruncatedIntoTheDrawingState)
{
    EXPECT_EQ(resources().clipRect().x0, -10000);
    run("res.setClipRect(0.9, 0.9, 10.5, 10.5)");
    const gr::Rect& clip = context->drawState().clip;
    EXPECT_EQ(std::vector<int>({clip.x0, clip.y0, clip.x1, clip.y1}), std::vector<int>({0, 0, 11, 11}));
    EXPECT_EQ(resources().clipRect(), clip);
}

TEST_F(Res, ArgumentsOfTheWrongTypeAreScriptErrors)
{
    EXPECT_EQ(error("res.createSpriteSheet({})").rfind("createSpriteSheet: Excepted type STRING at stack position 1 but found TABLE", 0), 0u);
    EXPECT_EQ(error("res.drawSprite('ball', 1, 'y')").rfind("drawSprite: Excepted type NUMBER at stack position 3 but found STRING", 0),
              0u);
    EXPECT_EQ(error("res.createSpriteSheet('missing.dat')"), "Failed to open " + dir / "missing.dat");
}

// The start-up picks the text language from the platform's list.
TEST_F(GameTest, StartUpLoadsTheBasicTextsInThePreferredLanguage)
{
    voxa::TextTable texts;
    texts.languages = {"fi_FI", "en_EN"};
    texts.ids = {"PLAY"};
    texts.texts = {{"Pelaa"}, {"Play"}};
    const std::vector<uint8_t> file = voxa::writeTexts(texts);
    data.write("TEXTS_BASIC.dat", std::string(file.begin(), file.end()));
    start("res.createTextGroupSet('TEXTS_BASIC.dat')");
    game::Resources& resources = *app->resources()->resources();
    EXPECT_EQ(resources.locale(), "en_EN");
    EXPECT_TRUE(resources.textGroupSet("TEXTS_BASIC")->isLoaded("en_EN"));
    EXPECT_FALSE(resources.textGroupSet("TEXTS_BASIC")->isLoaded("fi_FI"));
    run("__result = res.getString('TEXTS_BASIC', 'PLAY')");
    EXPECT_EQ(world().getString("__result"), "Play");
}

TEST_F(GameTest, TextsWithoutThePreferredLanguageDoNotStopTheStart)
{
    voxa::TextTable texts;
    texts.languages = {"fi_FI"};
    texts.ids = {"PLAY"};
    texts.texts = {{"Pelaa"}};
    const std::vector<uint8_t> file = voxa::writeTexts(texts);
    data.write("TEXTS_BASIC.dat", std::string(file.begin(), file.end()));
    start("res.createTextGroupSet('TEXTS_BASIC.dat')");
    EXPECT_NE(log.text().find("Can't load the texts: Trying to load TextGroup for language not present"),
              std::string::npos);
    EXPECT_EQ(app->resources()->resources()->locale(), "en_EN");
}

} // namespace
