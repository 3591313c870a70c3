// The developer error screen in a real window on both renderers: the engine draws its panel
// and its own face itself, over whatever the failing frame left behind.

#include "framework/WindowFixture.h"

#include "GameFixture.h"

#include "game/ErrorScreen.h"

#include <GL/glew.h>

namespace {

const char* const kShaders = TEST_SOURCE_DIR "/../share/effects/";

class ErrorScreenPixels : public WindowTest, public GameData, public ::testing::WithParamInterface<int>
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
    void start(const std::string& gamelogic)
    {
        platform.addArgument("pelterra");
        platform.addArgument("config.lua");
        platform.addArgument("--dev");
        game = startGame(&platform, &context(), gamelogic);
        // The game looks for its effects in its data directory; these are the demo's.
        context().setShaderPath(kShaders);
    }
    /// The colour of the shown frame at (x, y), y from the top, as 0xRRGGBB.
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
};

TEST_P(ErrorScreenPixels, ThePanelReplacesTheGamesFrame)
{
    // The failure comes from a drawing native, after a transform and a clip were set and
    // quads queued: the screen must draw whatever they left.
    start("frames = 0\n"
          "function update()\n"
          "  frames = frames + 1\n"
          "  setBGColor(0, 255, 0)\n"
          "  if frames == 3 then\n"
          "    setRenderState(200, 100, 4, 4)\n"
          "    res.setClipRect(300, 200, 10, 10)\n"
          "    drawRect(1, 0, 0, 1, 0, 0, 50, 50, true)\n"
          "    drawRect(1, 0, 0, 1, 0, 0, 50, 50, 'kept')\n"
          "  end\n"
          "end\n");
    frame();
    frame();
    ASSERT_EQ(game->errorScreen(), nullptr);
    const uint32_t green = 0x00FF00;
    EXPECT_EQ(shown(18, 200), green);
    EXPECT_EQ(shown(5, 5), green);

    frame();
    ASSERT_NE(game->errorScreen(), nullptr);
    EXPECT_NE(game->errorScreen()->text().str().find("drawRect: Excepted type BOOLEAN at stack position 9"),
              std::string::npos)
        << game->errorScreen()->text();
    // Inside the panel, clear of its text; the margin around it; the title's band.
    EXPECT_EQ(shown(18, 200), game::ErrorScreen::PANEL & 0xFFFFFF);
    EXPECT_EQ(shown(462, 300), game::ErrorScreen::PANEL & 0xFFFFFF);
    EXPECT_EQ(shown(5, 5), game::ErrorScreen::BACKGROUND & 0xFFFFFF);
    EXPECT_EQ(shown(470, 310), game::ErrorScreen::BACKGROUND & 0xFFFFFF);
    EXPECT_EQ(shown(20, 20), game::ErrorScreen::TITLE_BAR & 0xFFFFFF);
    // The title's first letter, 'S', in white: its top row lights columns 1 to 4 of its cell,
    // which starts 8 pixels into the panel, 5 rows down.
    EXPECT_EQ(shown(24, 21), game::ErrorScreen::TITLE_BAR & 0xFFFFFF);
    for (int x = 25; x <= 28; ++x)
        EXPECT_EQ(shown(x, 21), 0xFFFFFFu) << x;
    EXPECT_EQ(shown(29, 21), game::ErrorScreen::TITLE_BAR & 0xFFFFFF);

    // It stays, frame after frame, the scripts no longer called.
    frame();
    EXPECT_EQ(shown(18, 200), game::ErrorScreen::PANEL & 0xFFFFFF);
    EXPECT_EQ(game->world()->getNumber("frames"), 3.0f);
}

INSTANTIATE_TEST_SUITE_P(Renderers, ErrorScreenPixels,
                         ::testing::Values(int(gr::Context::KIND_GL2), int(gr::Context::KIND_GL1)),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == gr::Context::KIND_GL2 ? "Shaders" : "FixedFunction");
                         });

} // namespace
