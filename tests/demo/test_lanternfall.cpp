// Lanternfall, the game ./run.sh starts, as players meet it: the engine's executable on the
// built game, driven by real X input (xdotool), its window read back from the X server.

#include "GameProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char* const TITLE = "Lanternfall (1024x768)";

int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// Real pointer input through the X server, as a mouse gives it.
void xdotool(const std::string& arguments)
{
    ASSERT_EQ(run("xdotool " + arguments), 0) << arguments;
}

void click(int x, int y)
{
    xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.2 click 1");
}

/// Presses at (x0, y0), moves to (x1, y1) in small steps as a hand does, releases.
void drag(int x0, int y0, int x1, int y1)
{
    std::string moves = "mousemove " + std::to_string(x0) + " " + std::to_string(y0) + " sleep 0.2 mousedown 1";
    for (int i = 1; i <= 10; ++i) {
        moves += " sleep 0.05 mousemove " + std::to_string(x0 + (x1 - x0) * i / 10) + " " +
                 std::to_string(y0 + (y1 - y0) * i / 10);
    }
    xdotool(moves + " sleep 0.3 mouseup 1");
}

/// The numbers after the words of a result line: "level 1 won score 5400 stars 2".
int field(const std::string& line, const std::string& word)
{
    std::istringstream in(line);
    for (std::string w; in >> w;) {
        if (w == word) {
            int value = -1;
            in >> value;
            return value;
        }
    }
    return -1;
}

/// Where a body ended: the "body NAME X Y ANGLE" line a recorded or replayed run logs for
/// each body as it ends, its numbers hexadecimal floats that read back exactly.
struct Body
{
    std::string name;
    float x = 0, y = 0, angle = 0;
};

std::vector<Body> bodiesAtEnd(const std::vector<std::string>& lines)
{
    std::vector<Body> bodies;
    for (const std::string& line : lines) {
        if (line.rfind("body ", 0) != 0)
            continue;
        std::istringstream in(line.substr(5));
        Body body;
        std::string x, y, angle;
        in >> body.name >> x >> y >> angle;
        body.x = static_cast<float>(std::strtod(x.c_str(), nullptr));
        body.y = static_cast<float>(std::strtod(y.c_str(), nullptr));
        body.angle = static_cast<float>(std::strtod(angle.c_str(), nullptr));
        bodies.push_back(body);
    }
    return bodies;
}

/// The pixels of a rectangle of a window, to compare two pictures of one place.
std::vector<uint32_t> region(const WindowPixels& screen, int left, int top, int right, int bottom)
{
    std::vector<uint32_t> pixels;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x)
            pixels.push_back(screen.at(x, y));
    }
    return pixels;
}

class Lanternfall : public ::testing::Test
{
protected:
    TempDir dir;

    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X server: run through ./test.sh (xvfb-run)";
        // Saves and kept programs go to folders of the test's own, fresh each time.
        setenv("XDG_DATA_HOME", (dir / "appdata").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    }

    std::string game(const std::string& options) const
    {
        return "'" PELTERRA_EXECUTABLE "' '" DEMO_DIR "/config.lua' " + options;
    }

    /// No script error and nothing that failed to load in a run's log.
    static void expectCleanLog(const std::string& log)
    {
        for (const char* bad : {"Error while", "attempt to", "stack traceback", "Unable to", "not loaded"})
            EXPECT_EQ(log.find(bad), std::string::npos) << bad << " in:\n" << log;
    }
};

// Sanitizer builds run the game several times slower: there the first level of each theme
// stands for the rest, which the plain build plays whole.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const std::vector<int> LEVELS = {1, 6};
#else
const std::vector<int> LEVELS = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
#endif

TEST_F(Lanternfall, EveryLevelIsWonByItsRecordedShots)
{
    // The shots decide the outcome, not the window: a small one with fixed frames plays a
    // level in a few seconds instead of the half minute it lasts on screen.
    const std::string config = dir / "small.lua";
    {
        std::ifstream in(DEMO_DIR "/config.lua");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (auto [key, value] : {std::pair<std::string, std::string>{"datapath = \"./\"", "datapath = \"" DEMO_DIR "/\""},
                                  {"width = 1024", "width = 256"},
                                  {"height = 768", "height = 192"}}) {
            const size_t at = text.find(key);
            ASSERT_NE(at, std::string::npos) << key << " in the demo's config.lua";
            text.replace(at, key.size(), value);
        }
        std::ofstream(config) << text;
    }
    for (int level : LEVELS) {
        const std::string name = "level " + std::to_string(level);
        GameProcess play("'" PELTERRA_EXECUTABLE "' '" + config + "' --level=" + std::to_string(level) +
                             " --autoplay --exit-on-end --speed=8 --fixed-frames",
                         dir / "level.txt");
        const std::string result = play.waitFor(name + " won", 240);
        EXPECT_NE(result, "") << play.log();
        EXPECT_GE(field(result, "stars"), 1) << result;
        EXPECT_EQ(play.wait(30), 0) << name;
        expectCleanLog(play.log());
    }
}

TEST_F(Lanternfall, PlayedAsAPersonPlaysIt)
{
    std::vector<uint32_t> levelOneCell;
    {
        GameProcess play(game(""), dir / "first.txt");
        ASSERT_NE(play.waitFor("screen title", 60), "") << play.log();
        click(512, 430); // Play
        size_t at = 0;
        ASSERT_NE(play.waitFor("screen levels", 20, 0, &at), "") << play.log();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const WindowPixels before = grabWindow(TITLE);
        ASSERT_EQ(before.width, 1024) << play.log();

        click(192, 300); // level 1
        ASSERT_NE(play.waitFor("level 1 started", 20, at), "") << play.log();
        // The camera shows the structure, then comes back to the launcher.
        std::this_thread::sleep_for(std::chrono::seconds(4));
        const WindowPixels aiming = grabWindow(TITLE);
        drag(200, 520, 110, 560);
        ASSERT_NE(play.waitFor("shot 1 of", 20, at), "") << play.log();
        const std::string won = play.waitFor("level 1 won", 120, at);
        ASSERT_NE(won, "") << "the drag from (200, 520) to (110, 560) must win level 1:\n" << play.log();
        EXPECT_GT(field(won, "score"), 0) << won;
        EXPECT_GE(field(won, "stars"), 1) << won;
        ASSERT_NE(play.waitFor("screen end", 20, at, &at), "") << play.log();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const WindowPixels end = grabWindow(TITLE);
        // Blocks broke and gloomers popped: the structure looks different after the shot.
        EXPECT_NE(region(aiming, 400, 200, 1024, 700), region(end, 400, 200, 1024, 700));

        click(512, 640); // Levels
        ASSERT_NE(play.waitFor("screen levels", 20, at), "") << play.log();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const WindowPixels after = grabWindow(TITLE);
        // Level 1's cell now shows its stars and best score.
        levelOneCell = region(after, 112, 250, 272, 400);
        EXPECT_NE(region(before, 112, 250, 272, 400), levelOneCell);
        EXPECT_EQ(play.end(), 0);
        expectCleanLog(play.log());
    }
    EXPECT_TRUE(fs::exists(dir / "appdata/Pelterra/Lanternfall/highscores.lua"));

    // After a restart the stars and the best score are still there.
    GameProcess again(game(""), dir / "second.txt");
    ASSERT_NE(again.waitFor("screen title", 60), "") << again.log();
    click(512, 430);
    ASSERT_NE(again.waitFor("screen levels", 20), "") << again.log();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(region(grabWindow(TITLE), 112, 250, 272, 400), levelOneCell);
    EXPECT_EQ(again.end(), 0);
}

TEST_F(Lanternfall, AReplayedGameEndsWithEveryBodyExactlyWhereTheRecordedOneDid)
{
    const std::string recording = dir / "level1-input.txt";
    const std::string options = "--level=1 --exit-on-end --speed=8 --dev ";
    std::vector<Body> recorded;
    {
        GameProcess play(game(options + "--record='" + recording + "'"), dir / "record.txt");
        ASSERT_NE(play.waitFor("level 1 started", 60), "") << play.log();
        click(512, 400); // past the look at the structure, to the launcher
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        drag(200, 520, 110, 560);
        ASSERT_NE(play.waitFor("shot 1 of", 20), "") << play.log();
        ASSERT_NE(play.waitFor("level 1 won", 120), "") << play.log();
        ASSERT_EQ(play.wait(30), 0) << play.log();
        recorded = bodiesAtEnd(play.lines());
        EXPECT_NE(play.log().find("Bodies at the end of the run: " + std::to_string(recorded.size()) + "\n"),
                  std::string::npos)
            << play.log();
    }
    // A game of the pointer: its presses, releases and moves are in the recording.
    std::ifstream file(recording);
    const std::string events((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(events.find(" keydown 57\n"), std::string::npos) << events;
    EXPECT_NE(events.find(" keyup 57\n"), std::string::npos) << events;
    EXPECT_NE(events.find(" move "), std::string::npos) << events;
    // The level's ground, its blocks and what is left of the gloomers at least.
    ASSERT_GE(recorded.size(), 3u);

    for (int run = 1; run <= 2; ++run) {
        GameProcess replay(game(options + "--replay='" + recording + "'"),
                           dir / ("replay" + std::to_string(run) + ".txt"));
        ASSERT_NE(replay.waitFor("level 1 started", 60), "") << replay.log();
        // The window's own input counts for nothing while the replay runs.
        click(300, 300);
        ASSERT_EQ(replay.wait(120), 0) << replay.log();
        EXPECT_NE(replay.waitFor("level 1 won", 1), "") << replay.log();
        const std::vector<Body> replayed = bodiesAtEnd(replay.lines());
        ASSERT_EQ(replayed.size(), recorded.size()) << replay.log();
        for (size_t i = 0; i < recorded.size(); ++i) {
            EXPECT_EQ(replayed[i].name, recorded[i].name) << "run " << run;
            EXPECT_EQ(replayed[i].x, recorded[i].x) << "run " << run << ", " << recorded[i].name;
            EXPECT_EQ(replayed[i].y, recorded[i].y) << "run " << run << ", " << recorded[i].name;
            EXPECT_EQ(replayed[i].angle, recorded[i].angle) << "run " << run << ", " << recorded[i].name;
        }
        expectCleanLog(replay.log());
    }
}

TEST_F(Lanternfall, AttractModePlaysByItself)
{
    GameProcess play(game("--attract --frame-log"), dir / "attract.txt");
    size_t at = 0;
    ASSERT_NE(play.waitFor("attract level", 60, 0, &at), "") << play.log();
    EXPECT_NE(play.waitFor("shot 1 of", 60, at), "") << play.log();
    EXPECT_NE(play.waitFor("frames: median", 30, at), "") << play.log();
    EXPECT_EQ(play.end(), 0);
    expectCleanLog(play.log());
}

// Where no session bus runs, the game must not have one started: libdbus would fork and run
// the dbus-launch it finds on the PATH while the window waits.
TEST_F(Lanternfall, NoSessionBusIsStartedForTheGame)
{
    std::filesystem::create_directories(dir / "bin");
    dir.write("bin/dbus-launch", "#!/bin/sh\ntouch '" + (dir / "launched") + "'\nexit 1\n");
    std::filesystem::permissions(dir / "bin/dbus-launch", std::filesystem::perms::owner_all);
    GameProcess play("env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR='" + dir.path() + "' PATH='" + (dir / "bin") +
                         ":" + std::getenv("PATH") + "' " + game("--quit-after-frames=1"),
                     dir / "bus.txt");
    EXPECT_EQ(play.wait(60), 0) << play.log();
    EXPECT_FALSE(std::filesystem::exists(dir / "launched")) << "dbus-launch ran";
}

} // namespace
