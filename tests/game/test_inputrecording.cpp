// Developer mode's input recording and replay: a recorded run of a physics scene played
// back reaches exactly the same state, and a recording that can't be read says where.

#include "GameFixture.h"

#include "game/InputRecording.h"

#include <box2d/box2d.h>

#include <fstream>
#include <sstream>

namespace {

// Four boxes on a ground; a click kicks the box under the cursor up and sideways.
const char* const kScene = "objects.world = {} setPhysicsEnabled(true)\n"
                           "createBox('ground', 'none', 10, 12, 40, 1, 0, 0.5, 0.1, true, false, 0)\n"
                           "for i = 1, 4 do createBox('b' .. i, 'none', 4 * i, 10, 1, 1, 1, 0.5, 0.1, true, false, 0) end\n"
                           "function update(dt)\n"
                           "  if keyPressed.LBUTTON then\n"
                           "    local i = math.floor(cursor.x / 100) + 1\n"
                           "    applyImpulse('b' .. i, 2 + i, -10, 4 * i, 10)\n"
                           "  end\n"
                           "end\n";

const int kFrames = 150;

struct Pose
{
    float x, y, angle;
    bool operator==(const Pose& o) const { return x == o.x && y == o.y && angle == o.angle; }
};

class InputReplay : public GameTest
{
protected:
    TempDir files;

    void startWith(const std::string& option)
    {
        os.addArgument("pelterra");
        os.addArgument("config.lua");
        os.addArgument("--dev");
        if (!option.empty())
            os.addArgument(lang::String(option));
        start(kScene);
    }
    void restart(const std::string& option)
    {
        delete app;
        app = nullptr;
        os = FakeOS();
        startWith(option);
    }
    /// A frame time that varies the way a real clock's does.
    static float clockStep(int frame) { return 0.012f + 0.0037f * static_cast<float>(frame % 7); }
    void click(int x, int y)
    {
        app->mouseMoved(x, y);
        app->setKeyDown(framework::KEY_LBUTTON, true);
        app->keyDown(framework::KEY_LBUTTON);
    }
    void release()
    {
        app->setKeyDown(framework::KEY_LBUTTON, false);
        app->keyUp(framework::KEY_LBUTTON);
    }
    /// The played run: clicks on three boxes at frames 10, 40 and 70, a wheel notch, a focus
    /// change.
    void play()
    {
        for (int i = 0; i < kFrames; ++i) {
            if (i == 10)
                click(50, 200);
            if (i == 40)
                click(250, 120);
            if (i == 70)
                click(350, 90), app->mouseWheel(1);
            if (i == 11 || i == 41 || i == 71)
                release();
            frame(clockStep(i));
        }
    }
    std::vector<Pose> poses()
    {
        std::vector<Pose> out;
        for (const char* name : {"b1", "b2", "b3", "b4"}) {
            const b2Body* body = app->world()->object(name)->body;
            out.push_back({body->GetPosition().x, body->GetPosition().y, body->GetAngle()});
        }
        return out;
    }
};

TEST_F(InputReplay, AReplayedRunEndsWithEveryObjectExactlyWhereTheRecordedOneDid)
{
    const std::string path = files.path() + "/run.txt";
    startWith("--record=" + path);
    play();
    const std::vector<Pose> recorded = poses();

    // Without the clicks the boxes end elsewhere: the replay has something to reproduce.
    restart("");
    for (int i = 0; i < kFrames; ++i)
        frame(clockStep(i));
    EXPECT_NE(poses(), recorded);

    for (int run = 0; run < 2; ++run) {
        restart("--replay=" + path);
        ASSERT_TRUE(app->replaying());
        for (int i = 0; i < kFrames; ++i) {
            // The window's own input and clock count for nothing while the replay runs.
            if (i == 20)
                click(150, 100);
            if (i == 21)
                release();
            frame(0.05f);
        }
        EXPECT_FALSE(app->replaying());
        const std::vector<Pose> replayed = poses();
        for (size_t b = 0; b < recorded.size(); ++b) {
            EXPECT_EQ(replayed[b].x, recorded[b].x) << "run " << run << " box " << b + 1;
            EXPECT_EQ(replayed[b].y, recorded[b].y) << "run " << run << " box " << b + 1;
            EXPECT_EQ(replayed[b].angle, recorded[b].angle) << "run " << run << " box " << b + 1;
        }
    }
}

TEST_F(InputReplay, TheRecordingHoldsEachEventWithItsFrameAndTimeStep)
{
    const std::string path = files.path() + "/run.txt";
    startWith("--record=" + path);
    frame(0.02f);
    click(50, 60);
    app->mouseWheel(-2);
    frame(0.015f);
    release();
    frame(0.03f);
    delete app;
    app = nullptr;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "# pelterra input 1\n"
                          "0 0.0199999996 frame\n"
                          "1 0.0149999997 move 50 60\n"
                          "1 0.0149999997 keydown 57\n"
                          "1 0.0149999997 wheel -2\n"
                          "1 0.0149999997 frame\n"
                          "2 0.0299999993 keyup 57\n"
                          "2 0.0299999993 frame\n");
    const std::vector<game::InputRecording::Event> events = game::InputRecording::read(lang::String(path));
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[2].kind, game::InputRecording::KEY_DOWN);
    EXPECT_EQ(events[2].a, framework::KEY_LBUTTON);
    EXPECT_EQ(events[1].b, 60);
    EXPECT_EQ(events[6].dt, 0.03f);
}

// A line typed into the console changes the game as much as a click does: it is recorded,
// as the hexadecimal of its bytes, and typed again by the replay.
TEST_F(InputReplay, ConsoleTextIsRecordedAndTypedAgain)
{
    const std::string path = files.path() + "/run.txt";
    auto press = [this](int code) {
        app->setKeyDown(code, true);
        app->keyDown(code);
        app->setKeyDown(code, false);
        app->keyUp(code);
    };
    startWith("--record=" + path);
    frame(0.02f);
    press(framework::KEY_F1);
    app->textInput("kick = 'b1 \xc3\xa9'");
    press(framework::KEY_RETURN);
    frame(0.02f);
    ASSERT_TRUE(boolean("kick == 'b1 \\195\\169'"));
    delete app;
    app = nullptr;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("1 0.0199999996 text 6b69636b203d2027623120c3a927\n"), std::string::npos) << text.str();

    restart("--replay=" + path);
    app->textInput("kick = 'window'"); // typed into the window during the replay: ignored
    frame(0.05f);
    frame(0.05f);
    EXPECT_TRUE(boolean("kick == 'b1 \\195\\169'"));
}

TEST_F(InputReplay, WithoutDeveloperModeNothingIsRecorded)
{
    const std::string path = files.path() + "/run.txt";
    os.addArgument("pelterra");
    os.addArgument("config.lua");
    os.addArgument(lang::String("--record=" + path));
    start(kScene);
    frame(0.02f);
    EXPECT_FALSE(std::ifstream(path).good());
    EXPECT_NE(log.text().find("--record works only in developer mode"), std::string::npos) << log.text();
}

TEST(InputRecordingFile, ALineItCantTakeIsNamedWithItsFileAndLine)
{
    TempDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"0 0.02 jump\n", "unknown event"},
        {"0 0.02 keydown\n", "missing a number"},
        {"0 0.02 frame 4\n", "more than the event's numbers"},
        {"zero 0.02 frame\n", "expected FRAME TIMESTEP EVENT"},
        {"0 -1 frame\n", "time step between 0 and 1"},
        {"3 0.02 frame\n2 0.02 frame\n", "the frames go backwards"},
        {"0 0.02 text 6b6\n", "hexadecimal of its bytes"},
        {"0 0.02 text zz\n", "hexadecimal of its bytes"},
        {"0 0.02 text\n", "hexadecimal of its bytes"},
    };
    for (const auto& c : cases) {
        dir.write("bad.txt", std::string("# pelterra input 1\n") + c.first);
        const std::string path = dir.path() + "/bad.txt";
        try {
            game::InputRecording::read(lang::String(path));
            ADD_FAILURE() << c.first;
        } catch (const lang::Exception& e) {
            const std::string message = e.getMessage().str();
            EXPECT_EQ(message.rfind(path + ":", 0), 0u) << message;
            EXPECT_NE(message.find(c.second), std::string::npos) << message;
        }
    }
    EXPECT_THROW(game::InputRecording::read(lang::String(dir.path() + "/missing.txt")), io::IOException);
}

} // namespace
