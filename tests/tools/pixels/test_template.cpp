// The new-game template as a game maker first meets it: made, built and run by the engine's
// executable, its window read back from the X server. The bundled build, the packaged game
// and an installed engine must show the same picture and reach the same world.

#include "GameProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char* const TITLE = "New Game (1024x768)";

// Appended to the template's game logic: says where the crate came to rest once nothing
// moves any more, so the test knows the picture is final.
const char* const REPORT_AT_REST = R"(
local templateUpdate = update
local reported = false
function update(dt)
    templateUpdate(dt)
    if not reported and objects.world.box and not hasAwakeObjects then
        reported = true
        local x, y = getWorldPoint("box", 0, 0)
        print(string.format("at rest: box %.4f %.4f", x, y))
    end
end
)";

struct GameRun
{
    std::string atRest; ///< the line the game printed once still
    WindowPixels screen;
    std::string log;
};

/// Runs the game until its world comes to rest, reads its window and ends it.
GameRun runGame(const TempDir& dir, const std::string& command)
{
    GameProcess game(command, dir / "game-err.txt");
    GameRun run;
    run.atRest = game.waitFor("at rest: ", 120);
    if (!run.atRest.empty()) {
        // The frame that printed may not be on screen yet.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        run.screen = grabWindow(TITLE);
    }
    EXPECT_EQ(game.end(), 0) << "the game did not end cleanly";
    run.log = game.log();
    return run;
}

int system(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// The columns of the band of rows [top, bottom) holding near-white text pixels.
std::pair<int, int> whiteColumns(const WindowPixels& screen, int top, int bottom)
{
    int left = screen.width, right = -1;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            const uint32_t c = screen.at(x, y);
            if ((c >> 16 & 0xff) > 200 && (c >> 8 & 0xff) > 200 && (c & 0xff) > 200) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

class Template : public ::testing::Test
{
protected:
    TempDir dir;

    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X server: run through ./test.sh (xvfb-run)";
        // Saved settings go to a folder of the test's own.
        setenv("XDG_DATA_HOME", (dir / "appdata").c_str(), 1);
        ASSERT_EQ(system(std::string(PELTERRA_BUILD) + " new '" + (dir / "game") + "' >/dev/null"), 0);
        std::ofstream(dir / "game/scripts/gamelogic.lua", std::ios::app) << REPORT_AT_REST;
    }
};

TEST_F(Template, ShowsItsSpriteTextAndFallenCrateAlikeLooseBundledPackagedAndInstalled)
{
    const std::string build = PELTERRA_BUILD;
    ASSERT_EQ(system(build + " --quiet '" + (dir / "game") + "' '" + (dir / "loose") + "'"), 0);
    const GameRun loose = runGame(dir, "'" PELTERRA_EXECUTABLE "' '" + (dir / "loose/config.lua") + "'");
    ASSERT_FALSE(loose.atRest.empty()) << loose.log;
    const WindowPixels& screen = loose.screen;
    ASSERT_EQ(screen.width, 1024) << loose.log;
    ASSERT_EQ(screen.height, 768);

    // The background, the emblem (yellow inside an orange ring) where the script draws it,
    // and the crate lying on the grass in the middle.
    EXPECT_EQ(screen.at(5, 400), 0x242c40u);
    EXPECT_EQ(screen.at(512, 300), 0xffd54fu);
    EXPECT_EQ(screen.at(512, 300 - 40), 0xff7043u);
    EXPECT_EQ(screen.at(512 + 60, 300), 0x242c40u);
    EXPECT_EQ(screen.at(300, 737), 0x4caf50u); // grass
    EXPECT_EQ(loose.atRest.substr(0, 22), "at rest: box 25.6000 3");
    // A plank of the crate, 20 pixels a unit from its centre: 30 across and 13 down in the
    // picture, clear of its frame, brace and seams.
    const double restY = std::atof(loose.atRest.substr(21).c_str());
    EXPECT_NEAR(restY, 35.6, 0.05); // on the ground's top at 36.8, both shapes with a 0.1 skin
    EXPECT_EQ(screen.at(512 - 20 + 30, static_cast<int>(std::lround(restY * 20 - 20)) + 13), 0xc08040u);
    // Two lines of white text, each centred on the middle of the window.
    for (const auto& band : {std::make_pair(55, 100), std::make_pair(125, 170)}) {
        const auto columns = whiteColumns(screen, band.first, band.second);
        ASSERT_GE(columns.second, columns.first) << "no text between rows " << band.first << " and " << band.second;
        EXPECT_GT(columns.second - columns.first, 200);
        EXPECT_NEAR((columns.first + columns.second) / 2.0, 512, 3);
    }

    // The bundled build: the same world, the same picture.
    ASSERT_EQ(system(build + " --quiet --bundle '" + (dir / "game") + "' '" + (dir / "bundled") + "'"), 0);
    ASSERT_TRUE(fs::exists(dir / "bundled/data.pak"));
    const GameRun bundled = runGame(dir, "'" PELTERRA_EXECUTABLE "' '" + (dir / "bundled/config.lua") + "'");
    EXPECT_EQ(bundled.atRest, loose.atRest) << bundled.log;
    EXPECT_TRUE(bundled.screen.rgb == screen.rgb) << "the bundled build draws differently";

    // Packaged as an archive, unpacked elsewhere and started with its one command.
    ASSERT_EQ(system(build + " package '" + (dir / "bundled") + "' '" + (dir / "shipped") + "' --tar >/dev/null"), 0);
    fs::create_directories(dir / "elsewhere");
    ASSERT_EQ(system("tar -xzf '" + (dir / "shipped.tar.gz") + "' -C '" + (dir / "elsewhere") + "'"), 0);
    const GameRun shipped = runGame(dir, "'" + (dir / "elsewhere/shipped/run") + "'");
    EXPECT_EQ(shipped.atRest, loose.atRest) << shipped.log;
    EXPECT_TRUE(shipped.screen.rgb == screen.rgb) << "the packaged game draws differently";

    // Installed under a prefix: the installed builder makes a new game from its own copy of
    // the template and effects, and the installed engine runs it from any folder.
    ASSERT_EQ(system("cmake --install '" PELTERRA_BINARY_DIR "' --prefix '" + (dir / "prefix") + "' >/dev/null"), 0);
    ASSERT_EQ(system("cd / && '" + (dir / "prefix/bin/pelterra-build") + "' new '" + (dir / "second") + "' >/dev/null"), 0);
    std::ofstream(dir / "second/scripts/gamelogic.lua", std::ios::app) << REPORT_AT_REST;
    ASSERT_EQ(system("cd / && '" + (dir / "prefix/bin/pelterra-build") + "' --quiet '" + (dir / "second") + "'"), 0);
    const GameRun installed = runGame(dir, "'" + (dir / "prefix/bin/pelterra") + "' '" + (dir / "second/build/config.lua") + "'");
    EXPECT_EQ(installed.atRest, loose.atRest) << installed.log;
    EXPECT_TRUE(installed.screen.rgb == screen.rgb) << "the installed engine draws differently";
}

} // namespace
