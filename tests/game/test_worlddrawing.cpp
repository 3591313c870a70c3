// The world drawing's arithmetic and the game particles, recorded without a window.

#include "Failure.h"
#include "GameFixture.h"

#include "ResourceWriters.h"
#include "game/Particles.h"

#include <cmath>

namespace {

class WorldDrawing : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        data.write("atlas.png", "stand-in");
        voxa::SpriteSheetData sheet;
        sheet.image = "atlas.png";
        sheet.sprites = {{"TRAIL_WHITE_1", 0, 0, 1, 1, 0, 0}, {"TRAIL_WHITE_2", 0, 0, 2, 2, 0, 0},
                         {"TRAIL_WHITE_3", 0, 0, 3, 3, 0, 0}, {"BIRD_SPECIAL", 0, 0, 4, 4, 0, 0},
                         {"box", 0, 0, 10, 6, 5, 3},          {"bg", 0, 0, 50, 20, 0, 20},
                         {"fg", 0, 0, 40, 30, 0, 10},         {"dot", 0, 0, 10, 10, 5, 5},
                         {"f1", 0, 0, 1, 1, 0, 0},            {"f2", 0, 0, 2, 2, 0, 0},
                         {"f3", 0, 0, 3, 3, 0, 0},            {"f4", 0, 0, 4, 4, 0, 0}};
        write("world.dat", voxa::writeSpriteSheet(sheet));
        data.write("font.png", "stand-in");
        voxa::FontData font;
        font.image = "font.png";
        for (int c : {'a', 'b', 'c', 'x', '-', ' '})
            font.glyphs.push_back({c, 0, 0, 10, 10, 8});
        write("font.dat", voxa::writeFont(font));
        script("blocks.lua", "themes = { plain = { color = { r = 10, g = 20, b = 300 }, groundColor = { r = 255, g = 0, b = 0 } },\n"
                             "  sky = { color = { r = 1, g = 2, b = 3 }, groundColor = { r = 0, g = 0, b = 0 },\n"
                             "          bgLayers = { { 'sky', 'bg' } }, fgLayers = { { 'grass', 'fg' } } },\n"
                             "  cranes = { color = { r = 0, g = 0, b = 0 }, groundColor = { r = 0, g = 0, b = 0 },\n"
                             "          bgLayers = { { 'a', 'bg', 1, 1, false }, { 'b', 'bg', 2, 1, false } } } }\n");
        start("res.createSpriteSheet('world.dat') res.createBitmapFont('font.dat') res.useFont('font')\n"
              "particleTable = { particles = {\n"
              "  dust = { sprites = { 'dot' }, sheet = 'world', minVel = 0, maxVel = 0, minScaleBegin = 2, maxScaleBegin = 2,\n"
              "           minScaleEnd = 2, maxScaleEnd = 2, lifeTime = 1, gravityX = 0, gravityY = 0 },\n"
              "  falling = { sprites = { 'dot' }, sheet = 'world', minVel = 0, maxVel = 0, minScaleBegin = 1, maxScaleBegin = 1,\n"
              "           minScaleEnd = 3, maxScaleEnd = 3, lifeTime = 10, gravityX = 0, gravityY = 100 },\n"
              "  flip = { sprites = { 'f1', 'f2', 'f3', 'f4' }, sheet = 'world', animation = 'lifeTime', lifeTime = 1,\n"
              "           minScaleBegin = 1, maxScaleBegin = 1, minScaleEnd = 1, maxScaleEnd = 1 },\n"
              "  bare = { sprites = {}, lifeTime = 1 },\n"
              "  flash = { sprites = { 'f1', 'f2' }, sheet = 'world', animation = 'lifeTime', lifeTime = 0,\n"
              "           minScaleBegin = 1, maxScaleBegin = 1, minScaleEnd = 3, maxScaleEnd = 3 } } }\n");
        context->take();
    }
    void write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        data.write(name, std::string(bytes.begin(), bytes.end()));
    }
    game::Particles& particles() { return *world().particles(); }
    std::vector<std::string> lines()
    {
        std::vector<std::string> out;
        lua::LuaTable clipped = world().getTable("clippedText");
        lua::LuaTable table = clipped.getTable("lines");
        for (int i = 1; table.isString(i); ++i)
            out.push_back(table.getString(i).str());
        return out;
    }
};

TEST_F(WorldDrawing, TrajectoriesAlternateBasesAndCycleTheTrailSprites)
{
    run("startNewTrajectory()");
    EXPECT_EQ(world().trajectoryBase(), 3);
    run("for i = 1, 4 do addToTrajectory(0, 10 * i, 100) end addPuffToTrajectory(1, 5, 100)");
    run("addToTrajectory(3, 1, 1) addToTrajectory(-1, 1, 1) addPuffToTrajectory(7, 1, 1)"); // ignored
    EXPECT_EQ(world().trajectory(false, 3).size(), 4);
    EXPECT_EQ(world().trajectory(true, 4).size(), 1);
    int points = 0;
    for (int list = 0; list < 6; ++list)
        points += world().trajectory(false, list).size() + world().trajectory(true, list).size();
    EXPECT_EQ(points, 5);

    run("drawGameNative()");
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 5u);
    std::vector<float> widths;
    for (const DrawnQuad& q : quads)
        widths.push_back(q.width);
    // The fourth point is TRAIL_WHITE_1 again; the puff follows its trail list's points.
    EXPECT_EQ(widths, (std::vector<float>{1, 2, 3, 1, 4}));
    EXPECT_EQ(quads[3].x, 40);

    run("startNewTrajectory() addToTrajectory(0, 1, 1)");
    EXPECT_EQ(world().trajectoryBase(), 0);
    EXPECT_EQ(world().trajectory(false, 3).size(), 4); // the previous shot stays
    run("startNewTrajectory()");
    EXPECT_EQ(world().trajectoryBase(), 3);
    EXPECT_EQ(world().trajectory(false, 3).size(), 0); // the shot before last is cleared
    EXPECT_EQ(world().trajectory(true, 4).size(), 0);
    EXPECT_EQ(world().trajectory(false, 0).size(), 1);
}

TEST_F(WorldDrawing, LinesAndRectanglesTakeTheirColoursAsGiven)
{
    run("drawLine2D(10.7, 20, 100, 20.9, 2, 255, 0, 0, 128)");
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_TRUE(quads[0].line);
    EXPECT_EQ(quads[0].colour, 0x80FF0000u);
    EXPECT_EQ(quads[0].x, 10);

    run("setRenderState(100, 0) drawRect(0, 1, 0, 0.5, 10.9, 20, 30.5, 40, true)");
    quads = context->take();
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].colour, 0x7F00FF00u);
    EXPECT_EQ(quads[0].x, 110); // the kept translation
    EXPECT_EQ(quads[0].width, 20);
    run("drawRect(0, 1, 0, 1, 10, 20, 30, 40, false)");
    quads = context->take();
    EXPECT_EQ(quads[0].x, 10); // reset
    EXPECT_EQ(context->drawState().translateX, 0);
}

TEST_F(WorldDrawing, RenderStateByArgumentCountAndTexturedRectangles)
{
    run("setRenderState(1, 2, 3, 4, 0.5, 6, 7)");
    gr::DrawState state = context->drawState();
    EXPECT_EQ(std::vector<float>({state.translateX, state.translateY, state.scaleX, state.scaleY, state.pivotX, state.pivotY}),
              std::vector<float>({1, 2, 3, 4, 6, 7}));
    EXPECT_FLOAT_EQ(state.angle, 0.5f);
    EXPECT_FLOAT_EQ(state.m00, std::cos(0.5f));
    EXPECT_FLOAT_EQ(state.m01, std::sin(0.5f));
    run("setRenderState(9, 8, 2, 2)"); // the angle and pivot stay
    EXPECT_FLOAT_EQ(context->drawState().angle, 0.5f);
    EXPECT_EQ(context->drawState().translateX, 9);

    // The whole texture as the source extent, offset by the top-left less the sprite's place.
    run("setTopLeft(64, 32) drawTexturedRect('box', 10.5, 20, 30, 40.9, true)");
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(std::vector<float>({quads[0].x, quads[0].y, quads[0].width, quads[0].height}),
              std::vector<float>({10, 20, 20, 20}));
    EXPECT_FLOAT_EQ(quads[0].u0, 64.0f / 256);
    EXPECT_FLOAT_EQ(quads[0].v1, (32.0f + 256) / 256);
    EXPECT_EQ(context->drawState().translateX, 0); // reset whatever the last argument says
}

TEST_F(WorldDrawing, ClipTextWrapsAtBreaksAndSplitsLongWords)
{
    // Every glyph is 10 wide.
    run("clipText('NOTEXTS', 'xxxxx', 35)");
    EXPECT_EQ(lines(), (std::vector<std::string>{"xxx", "xx"}));
    EXPECT_EQ(world().getTable("clippedText").getNumber("widestLine"), 30);

    run("clipText('NOTEXTS', 'a b-c', 45)");
    EXPECT_EQ(lines(), (std::vector<std::string>{"a b-", "c"}));
    EXPECT_EQ(world().getTable("clippedText").getNumber("widestLine"), 40);

    run("clipText('NOTEXTS', 'ab\\n  cab abc', 200)");
    EXPECT_EQ(lines(), (std::vector<std::string>{"ab", "cab abc"}));
    run("clipText('NOTEXTS', 'abc abc', 55)");
    EXPECT_EQ(lines(), (std::vector<std::string>{"abc", "abc"}));
    run("clipText('NOTEXTS', 'abc', 5)");
    EXPECT_EQ(lines(), (std::vector<std::string>{"a", "b", "c"})); // at least one character a line
}

TEST_F(WorldDrawing, ThemesDrawTheirLayersOrOnlyTheirColour)
{
    run("setTheme('plain') drawBackgroundNative()");
    EXPECT_TRUE(context->take().empty());
    EXPECT_EQ(world().backgroundColour(), 0x0A14FFu);

    // [1] and [2] only: tiled, parallax 1, scale 1.
    run("setTheme('sky') setTopLeft(30, -100) drawBackgroundNative()");
    std::vector<DrawnQuad> quads = context->take();
    // o = 30, C = 50: start = -(30 + 50) = -80, so tiles at -80, -30, ... below 480; the
    // first lies wholly off screen.
    ASSERT_EQ(quads.size(), 11u);
    EXPECT_EQ(quads[0].x, -30);
    EXPECT_EQ(quads[1].x, 20);
    EXPECT_EQ(quads[0].y, 100 - 20);
    EXPECT_EQ(quads[0].width, 50);
    EXPECT_EQ(world().backgroundColour(), 0x010203u);

    // The ground fill's top edge: a = 30 - 10 = 20; top = -((-100 - 1.5 * 20) * 1) = 130.
    run("drawForegroundNative()");
    quads = context->take();
    ASSERT_FALSE(quads.empty());
    EXPECT_EQ(quads[0].colour, 0xFF000000u);
    EXPECT_EQ(quads[0].y, 130);
    EXPECT_EQ(quads[0].height, 320 + 1 - 130);
    EXPECT_EQ(quads[0].width, 480);
}

TEST_F(WorldDrawing, UntiledLayersStepByTheCraneOffset)
{
    // startX 7: a crane offset of 0.4375, so the first untiled layer (50 wide) sits at
    // sum = 21.875 with the translation 0.875, less the scroll; the next half a width on.
    run("episode4BGCranes = { startX = 7 } setTheme('cranes') setTopLeft(10, -100) drawBackgroundNative()");
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_FLOAT_EQ(quads[0].x, 21.875f - 10 + 0.875f);
    EXPECT_FLOAT_EQ(quads[1].x, 46.875f - 20 + 0.875f);
    EXPECT_EQ(quads[0].width, 50);
}

TEST_F(WorldDrawing, ThemesLoadTheBlocksWhenMissing)
{
    run("blockTable = nil setTheme('plain')");
    EXPECT_TRUE(world().isTable("blockTable"));
    EXPECT_EQ(messageOf<lang::Throwable>([&] { run("setTheme('nowhere')"); }), "Theme nowhere is not in blockTable.themes");
}

TEST_F(WorldDrawing, ObjectsFollowTheirSpritesAndTextures)
{
    run("objects.world = {} createBox('crate', 'box', 5, -2, 1, 1, 1, 0.5, 0.1, true, false, 0)");
    run("drawGameNative()");
    EXPECT_TRUE(context->take().empty()); // above the screen
    run("setTopLeft(0, -100) drawGameNative()");
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].y, 100 - 40 - 3);
    run("setSprite('crate', 'nothing') drawGameNative()");
    EXPECT_TRUE(context->take().empty());
    run("setSprite('crate', 'dot') setWorldScale(2) drawGameNative()");
    quads = context->take();
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].width, 20);
    EXPECT_EQ(quads[0].x, 2 * (100 - 5));
}

TEST_F(WorldDrawing, ParticleLimitsScaleAndCapRequests)
{
    EXPECT_EQ(particles().softLimit(), 40);
    EXPECT_EQ(particles().hardLimit(), 125);
    run("particles.addParticles('dust', 30, 0, -50, 0, 0, 0)");
    ASSERT_EQ(particles().live().size(), 30);
    run("particles.addParticles('dust', 20, 0, -50, 0, 0, 0)");
    EXPECT_EQ(particles().live().size(), 40); // 20 x 0.5

    run("particles.setSoftLimit(1000, 0.5) particles.addParticles('dust', 80, 0, -50, 0, 0, 0)");
    ASSERT_EQ(particles().live().size(), 120);
    run("particles.setSoftLimit(40, 0.5) particles.addParticles('dust', 20, 0, -50, 0, 0, 0)");
    EXPECT_EQ(particles().live().size(), 125); // 20 x 0.5 = 10, capped at 5
    run("particles.setHardLimit(10) particles.addParticles('dust', 20, 0, -50, 0, 0, 0)");
    EXPECT_EQ(particles().live().size(), 125);

    particles().reset(0.5f, 500, 1000);
    run("particles.addParticles('dust', 2.5, 0, -50, 0, 0, 0)");
    EXPECT_EQ(particles().live().size(), 3);
    run("particles.addParticles('dust', 0.3, 0, -50, 0, 0, 0)");
    EXPECT_EQ(particles().live().size(), 4);

    // Nothing to show is emitted as nothing, with a line that says so.
    log.clear();
    run("particles.addParticles('bare', 5, 0, -50, 0, 0, 0) particles.addParticles('unknown', 5, 0, -50, 0, 0, 0)");
    EXPECT_EQ(particles().live().size(), 4);
    EXPECT_EQ(log.text(), "Particle effect bare has no sprites; nothing emitted\n"
                          "Particle effect unknown has no sprites; nothing emitted\n");
}

TEST_F(WorldDrawing, ParticlesAgeMoveAndAnimate)
{
    run("particles.addParticles('dust', 1, 100, -50, 40, 20, 0.3)");
    const game::Particle& p = particles().live()[0];
    // Inside the rotated 40 x 20 rectangle around (100, -50).
    const float dx = p.x - 100, dy = p.y + 50;
    EXPECT_LE(std::fabs(std::cos(0.3f) * dx + std::sin(0.3f) * dy), 20.001f);
    EXPECT_LE(std::fabs(-std::sin(0.3f) * dx + std::cos(0.3f) * dy), 10.001f);

    particles().update(0.5f);
    particles().update(0.5f);
    EXPECT_EQ(particles().live().size(), 1); // age 1 is not past a lifetime of 1
    particles().update(0.25f);
    EXPECT_EQ(particles().live().size(), 0);

    run("particles.addParticles('falling', 1, 0, -1, 0, 0, 0)");
    particles().update(0.05f); // vy 5, y = -1 + 0.25
    EXPECT_FLOAT_EQ(particles().live()[0].y, -0.75f);
    EXPECT_FLOAT_EQ(particles().live()[0].scale, 1 + 0.005f * 2);
    particles().update(0.1f); // vy 15: y = 0.75, below the ground line
    EXPECT_EQ(particles().live().size(), 1);
    particles().update(0.01f);
    EXPECT_EQ(particles().live().size(), 0);

    // No lifetime: at its end at once, and gone after the first update that ages it.
    run("particles.addParticles('flash', 1, 0, -50, 0, 0, 0)");
    particles().update(0);
    ASSERT_EQ(particles().live().size(), 1);
    EXPECT_EQ(particles().live()[0].scale, 3);
    EXPECT_EQ(particles().live()[0].spriteName, "f2");
    particles().update(0.01f);
    EXPECT_EQ(particles().live().size(), 0);

    run("particles.addParticles('flip', 1, 0, -50, 0, 0, 0)");
    std::vector<std::string> shown;
    for (float dt : {0.25f, 0.01f, 0.24f, 0.01f, 0.24f, 0.2f})
        particles().update(dt), shown.push_back(particles().live()[0].spriteName.str());
    EXPECT_EQ(shown, (std::vector<std::string>{"f1", "f2", "f2", "f3", "f3", "f4"}));
    EXPECT_EQ(particles().live()[0].sprite->width(), 4);
}

TEST_F(WorldDrawing, ParticlesRestWhilePhysicsIsOffAndDrawScaledAtTheirPlace)
{
    run("setPhysicsEnabled(false) particles.addParticles('dust', 1, 100, -50, 0, 0, 0)");
    frame(0.1f);
    EXPECT_EQ(particles().live()[0].age, 0);
    run("setPhysicsEnabled(true)");
    frame(0.1f);
    EXPECT_FLOAT_EQ(particles().live()[0].age, 0.1f);

    // Scale 2: a 10 x 10 sprite 20 pixels wide, its pivot on (100, -50) less the top-left.
    context->take();
    run("setTopLeft(0, -100) drawParticlesNative()");
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 1u);
    const float cx = quads[0].x + quads[0].width / 2, cy = quads[0].y + quads[0].height / 2;
    EXPECT_NEAR(cx, 100, 0.01);
    EXPECT_NEAR(cy, 50, 0.01);
    EXPECT_NEAR(std::hypot(quads[0].width, quads[0].height), std::hypot(20, 20), 0.01);
}

} // namespace
