// Developer mode's tools over a running game in a real window on both renderers: the physics
// view (F3), the statistics (F4) and the screenshot key (F12).

#include "framework/WindowFixture.h"

#include "GameFixture.h"

#include "game/DeveloperStats.h"
#include "game/PhysicsView.h"
#include "game/World.h"
#include "img/ImageFile.h"

#include <GL/glew.h>
#include <box2d/box2d.h>

#include <cmath>
#include <fstream>

namespace {

const char* const kShaders = TEST_SOURCE_DIR "/../share/effects/";

class DeveloperTools : public WindowTest, public GameData, public ::testing::WithParamInterface<int>
{
protected:
    TempDir appData;
    game::GameApp* game = nullptr;

    void SetUp() override
    {
        io::setApplicationDataPath(lang::String(appData.path()));
        lang::Array<int> kinds;
        kinds.add(GetParam());
        open(480, 320, kinds);
    }
    void TearDown() override
    {
        delete game;
        game = nullptr;
        WindowTest::TearDown();
        io::setApplicationDataPath(lang::String());
    }
    void start(const std::string& gamelogic, bool developer = true)
    {
        platform.addArgument("pelterra");
        platform.addArgument("config.lua");
        if (developer)
            platform.addArgument("--dev");
        game = startGame(&platform, &context(), gamelogic);
        context().setShaderPath(kShaders);
    }
    uint32_t shown(int x, int y)
    {
        unsigned char rgba[4];
        glReadBuffer(GL_BACK);
        glReadPixels(x, context().height() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
    }
    void frame()
    {
        game->update(0.02f, &context(), 3);
        glFinish();
    }
    /// The pixels the box's shape covers on screen: [left, right) x [top, bottom).
    void coveredPixels(const char* name, int* left, int* top, int* right, int* bottom)
    {
        const game::RenderObjectData* box = game->world()->object(name);
        ASSERT_NE(box, nullptr);
        // The box's corners, without the skin the physics library keeps around polygons.
        const auto* polygon = static_cast<const b2PolygonShape*>(box->body->GetFixtureList()->GetShape());
        ASSERT_EQ(polygon->m_count, 4);
        b2AABB aabb;
        aabb.lowerBound = aabb.upperBound = b2Mul(box->body->GetTransform(), polygon->m_vertices[0]);
        for (int i = 1; i < 4; ++i) {
            const b2Vec2 p = b2Mul(box->body->GetTransform(), polygon->m_vertices[i]);
            aabb.lowerBound = b2Min(aabb.lowerBound, p);
            aabb.upperBound = b2Max(aabb.upperBound, p);
        }
        const float scale = game->world()->worldScale();
        *left = int(std::lround((20 * (aabb.lowerBound.x) - game->world()->topLeftX()) * scale));
        *top = int(std::lround((20 * (aabb.lowerBound.y) - game->world()->topLeftY()) * scale));
        *right = int(std::lround((20 * (aabb.upperBound.x) - game->world()->topLeftX()) * scale));
        *bottom = int(std::lround((20 * (aabb.upperBound.y) - game->world()->topLeftY()) * scale));
    }
};

const char* const kBoxScene = "objects.world = {} setPhysicsEnabled(false)\n"
                              "setTopLeft(-20, -40)\n"
                              "createBox('box', 'none', 5, 4, 2, 1.5, 1, 0.5, 0.1, true, false, 0)\n"
                              "function update() setBGColor(0, 0, 0) end\n";

TEST_P(DeveloperTools, PhysicsViewOutlinesABoxOnTheBorderPixelsItsBodyCovers)
{
    start(kBoxScene);
    frame();
    int left = 0, top = 0, right = 0, bottom = 0;
    coveredPixels("box", &left, &top, &right, &bottom);
    // By hand: 2 x 1.5 units about (5, 4), 20 pixels a unit, the view's corner at (-20, -40).
    ASSERT_EQ(left, 100);
    ASSERT_EQ(right, 140);
    ASSERT_EQ(top, 105);
    ASSERT_EQ(bottom, 135);
    EXPECT_EQ(shown(left, top), 0u); // the view is off at first

    game->keyDown(framework::KEY_F1 + 2);
    game->keyUp(framework::KEY_F1 + 2);
    frame();
    ASSERT_TRUE(game->physicsViewShown());
    const uint32_t awake = game::PhysicsView::AWAKE & 0xffffff;
    for (int x = left; x < right; ++x) {
        EXPECT_EQ(shown(x, top), awake) << x;
        EXPECT_EQ(shown(x, bottom - 1), awake) << x;
        EXPECT_EQ(shown(x, top - 1), 0u) << x;
        EXPECT_EQ(shown(x, bottom), 0u) << x;
        if (x > left && x < right - 1) {
            EXPECT_EQ(shown(x, top + 1), 0u) << x;
            EXPECT_EQ(shown(x, bottom - 2), 0u) << x;
        }
    }
    for (int y = top; y < bottom; ++y) {
        EXPECT_EQ(shown(left, y), awake) << y;
        EXPECT_EQ(shown(right - 1, y), awake) << y;
        EXPECT_EQ(shown(left - 1, y), 0u) << y;
        EXPECT_EQ(shown(right, y), 0u) << y;
        if (y > top && y < bottom - 1) {
            EXPECT_EQ(shown(left + 1, y), 0u) << y;
            EXPECT_EQ(shown(right - 2, y), 0u) << y;
        }
    }

    // F3 again hides it.
    game->keyDown(framework::KEY_F1 + 2);
    frame();
    EXPECT_EQ(shown(left, top), 0u);
}

TEST_P(DeveloperTools, PhysicsViewFollowsTheWorldZoom)
{
    start(kBoxScene + std::string("setWorldScale(0.5)\n"));
    game->keyDown(framework::KEY_F1 + 2);
    frame();
    int left = 0, top = 0, right = 0, bottom = 0;
    coveredPixels("box", &left, &top, &right, &bottom);
    ASSERT_EQ(game->world()->worldScale(), 0.5f);
    const uint32_t awake = game::PhysicsView::AWAKE & 0xffffff;
    EXPECT_EQ(shown(left, top), awake);
    EXPECT_EQ(shown(right - 1, bottom - 1), awake);
    EXPECT_EQ(shown((left + right) / 2, top), awake);
    EXPECT_EQ(shown((left + right) / 2, top + 1), 0u);
    EXPECT_EQ(shown(left - 1, top), 0u);
}

TEST_P(DeveloperTools, WithoutDeveloperModeTheKeysDoNothing)
{
    start(kBoxScene, false);
    for (int key : {framework::KEY_F1 + 2, framework::KEY_F1 + 3, int(framework::KEY_F12)})
        game->keyDown(key);
    frame();
    int left = 0, top = 0, right = 0, bottom = 0;
    coveredPixels("box", &left, &top, &right, &bottom);
    EXPECT_FALSE(game->physicsViewShown());
    EXPECT_FALSE(game->statisticsShown());
    EXPECT_EQ(shown(left, top), 0u);
    EXPECT_EQ(game->lastScreenshot(), lang::String());
}

TEST_P(DeveloperTools, F12SavesTheFrameAsAPngInTheApplicationData)
{
    start("objects.world = {} setPhysicsEnabled(false)\n"
          "function update() setBGColor(0, 0, 255) drawRect(1, 0, 0, 1, 30, 40, 80, 60, false) end\n");
    frame(); // the background colour clears the frames after the one that sets it
    game->keyDown(framework::KEY_F12);
    frame();
    const std::string path = game->lastScreenshot().str();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.rfind(appData.path() + "/screenshot-", 0), 0u) << path;
    const std::string name = path.substr(appData.path().size() + 1);
    ASSERT_EQ(name.size(), std::string("screenshot-YYYYMMDD-HHMMSS.png").size()) << name;
    for (int i : {11, 12, 13, 14, 15, 16, 17, 18, 20, 21, 22, 23, 24, 25})
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(name[i]))) << name;

    const int w = context().width(), h = context().height();
    std::vector<uint8_t> frameRgba(static_cast<size_t>(w) * h * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, frameRgba.data());

    img::ImageFile png{lang::String(path)};
    ASSERT_EQ(png.width(), w);
    ASSERT_EQ(png.height(), h);
    std::vector<uint8_t> saved(static_cast<size_t>(w) * h * 4);
    png.readSurface(saved.data(), w * 4, gr::PixelFormat::A8B8G8R8);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                differing += saved[(y * w + x) * 4 + c] != frameRgba[((h - 1 - y) * w + x) * 4 + c];
    EXPECT_EQ(differing, 0);
    // The rectangle is really in it: red where drawn, blue around.
    EXPECT_EQ(saved[(45 * w + 40) * 4 + 0], 0xff);
    EXPECT_EQ(saved[(45 * w + 40) * 4 + 2], 0x00);
    EXPECT_EQ(saved[(5 * w + 5) * 4 + 2], 0xff);
    EXPECT_EQ(saved[(5 * w + 5) * 4 + 3], 0xff);

    // Twice in the same second: the second one gets -2.
    game->keyDown(framework::KEY_F12);
    frame();
    const std::string second = game->lastScreenshot().str();
    if (second.substr(0, path.size() - 4) == path.substr(0, path.size() - 4)) {
        EXPECT_EQ(second, path.substr(0, path.size() - 4) + "-2.png");
    }
    EXPECT_NE(second, path);
    EXPECT_TRUE(std::ifstream(second).good());
}

TEST_P(DeveloperTools, StatisticsCountTheFrameOfAKnownWorld)
{
    start("objects.world = {} setPhysicsEnabled(false)\n"
          "createBox('a', 'none', 2, 2, 1, 1, 1, 0.5, 0.1, true, false, 0)\n"
          "createBox('b', 'none', 4, 2, 1, 1, 1, 0.5, 0.1, true, false, 0)\n"
          "createBox('c', 'none', 6, 2, 1, 1, 1, 0.5, 0.1, true, false, 0)\n"
          "createBox('ground', 'none', 4, 8, 10, 1, 0, 0.5, 0.1, true, false, 0)\n"
          "function update()\n"
          "  for i = 1, 3 do drawRect(1, 0, 0, 1, 10 * i, 10, 10 * i + 5, 15, false) end\n"
          "  memory = collectgarbage('count')\n"
          "end\n");
    frame();
    game->world()->object("b")->body->SetAwake(false);
    int texturesBefore = 0;
    int64_t bytesBefore = 0;
    context().textureMemory(&texturesBefore, &bytesBefore);
    lang::Ptr<gr::Texture> texture = context().createTexture(32, 16, 1, gr::PixelFormat::A8R8G8B8, 0);
    frame();

    const game::DeveloperStats::Numbers& n = game->statistics()->last();
    EXPECT_FLOAT_EQ(n.frameMilliseconds, 20.0f);
    EXPECT_EQ(n.bodies, 4);
    EXPECT_EQ(n.bodiesAwake, 2); // a and c: b sleeps, the ground has no mass
    EXPECT_EQ(n.quads, 3);
    EXPECT_GE(n.drawCalls, 1);
    EXPECT_LE(n.drawCalls, 3);
    EXPECT_EQ(n.textures, texturesBefore + 1);
    EXPECT_EQ(n.textureBytes, bytesBefore + 32 * 16 * 4);
    EXPECT_EQ(n.voices, -1); // no audio output was made
    const float scriptKilobytes = game->world()->getNumber("memory");
    EXPECT_NEAR(n.luaBytes / 1024.0, scriptKilobytes, 8.0);
    EXPECT_GT(n.luaBytes, 10 * 1024);
    // With physics off the world never steps.
    EXPECT_EQ(n.stepMilliseconds, 0.0f);

    // The graph keeps a bar a frame, oldest first.
    EXPECT_EQ(game->statistics()->history(), (std::vector<float>{20.0f, 20.0f}));
}

TEST_P(DeveloperTools, F4DrawsTheStatisticsPanelOverTheGame)
{
    start("objects.world = {} setPhysicsEnabled(false)\n"
          "function update() setBGColor(255, 255, 255) end\n");
    frame();
    frame();
    EXPECT_EQ(shown(2, 2), 0xffffffu);
    game->keyDown(framework::KEY_F1 + 3);
    frame();
    ASSERT_TRUE(game->statisticsShown());
    // The translucent black panel darkens the white game; the lettering is white in it.
    const uint32_t panel = shown(2, 2);
    EXPECT_LT(panel & 0xff, 0x80u) << std::hex << panel;
    int lit = 0;
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 60; ++x)
            lit += shown(x, y) == 0xffffffu;
    EXPECT_GT(lit, 20); // "frame" in white
    game->keyDown(framework::KEY_F1 + 3);
    frame();
    EXPECT_EQ(shown(2, 2), 0xffffffu);
}

TEST(DeveloperStatsLines, ShowTheFiguresRounded)
{
    game::DeveloperStats::Numbers n;
    n.frameMilliseconds = 16.66f;
    n.stepMilliseconds = 1.04f;
    n.bodiesAwake = 3;
    n.bodies = 12;
    n.drawCalls = 7;
    n.quads = 250;
    n.textures = 5;
    n.textureBytes = 3 * 1024 * 1024;
    n.luaBytes = 1500;
    n.voices = 2;
    const lang::Array<lang::String> lines = game::DeveloperStats::lines(n);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], "frame   16.7 ms (60 fps)");
    EXPECT_EQ(lines[1], "physics 1.0 ms");
    EXPECT_EQ(lines[2], "bodies  3 awake / 12");
    EXPECT_EQ(lines[3], "draws   7 calls, 250 quads");
    EXPECT_EQ(lines[4], "texture 5, 3072 KB");
    EXPECT_EQ(lines[5], "lua     2 KB");
    EXPECT_EQ(lines[6], "voices  2");
    n.voices = -1;
    n.textureBytes = 40 * 1024 * 1024;
    EXPECT_EQ(game::DeveloperStats::lines(n)[6], "voices  no audio");
    EXPECT_EQ(game::DeveloperStats::lines(n)[4], "texture 5, 40 MB");
}

INSTANTIATE_TEST_SUITE_P(Renderers, DeveloperTools,
                         ::testing::Values(int(gr::Context::KIND_GL2), int(gr::Context::KIND_GL1)),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == gr::Context::KIND_GL2 ? "Shaders" : "FixedFunction");
                         });

} // namespace
