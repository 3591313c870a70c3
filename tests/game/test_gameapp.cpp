#include "GameFixture.h"

#include "HttpPeer.h"
#include "io/AppDataOutputStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

using framework::KEY_LBUTTON;
using framework::KEY_SHIFT;

TEST_F(GameTest, StartUpRunsTheScriptsInOrder)
{
    const std::string record = "order = (order or '') .. ";
    script("starLimits.lua", "level1 = { 1, 2, 3 }");
    script("loadlist.lua", record + "'loadlist,'");
    script("blocks.lua", "wood = { strength = 10 }");
    start(record + "'gamelogic,' "
                   "function updateValues() " + record + "'updateValues,' end "
                   "function createStartUpAssets() " + record + "'assets:' .. blockTable.wood.strength end");
    EXPECT_EQ(std::string(world().getString("order").c_str()), "loadlist,gamelogic,updateValues,assets:10");
    EXPECT_EQ(world().getTable("starTable").getTable("level1").getNumber(2), 2.0f);
    EXPECT_TRUE(world().scriptsLoaded());
    EXPECT_TRUE(boolean("keyPressed.LBUTTON == false and keyHold.KEY_ALT == false and keyReleased.NONE == false"));
    EXPECT_TRUE(boolean("screenWidth == 480 and screenHeight == 320"));
    EXPECT_TRUE(boolean("type(math.floor) == 'function' and _G.print ~= print")); // natives shadow the library
    EXPECT_NE(log.text().find("Can't find bundle, using files directly...\n"), std::string::npos);
}

TEST_F(GameTest, LaunchOptionsReachTheScriptsBeforeTheyRun)
{
    for (const char* argument : {"pelterra", "config.lua", "--attract", "--level=3", "--name=a=b", "stray", "--"})
        os.addArgument(argument);
    start("seen = launchOptions.attract and launchOptions.level");
    EXPECT_EQ(std::string(world().getString("seen").c_str()), "3");
    EXPECT_TRUE(boolean("launchOptions.name == 'a=b' and launchOptions.stray == nil and launchOptions[''] == nil"));
    EXPECT_NE(log.text().find("Ignoring the argument stray"), std::string::npos);
}

TEST_F(GameTest, AFailingScriptIsReportedAndTheStartGoesOn)
{
    script("loadlist.lua", "this is not lua");
    testing::internal::CaptureStdout();
    start("ok = true");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("EXCEPTION: Error while compiling Lua: ", 0), 0u) << out;
    EXPECT_TRUE(boolean("ok"));
}

TEST_F(GameTest, FocusBeforeTheScriptsLoadCallsNothing)
{
    start("paused = 0 function gamePaused() paused = paused + 1 end function gameResumed() paused = paused - 10 end");
    EXPECT_TRUE(world().scriptsLoaded());
    app->activate(false);
    app->activate(true);
    EXPECT_EQ(number("paused"), -9.0f);
}

TEST_F(GameTest, SettingsSurviveARestartEnciphered)
{
    start("settings.volume = 0.7 settings.name = 'Ada \"the\" player'");
    delete app; // saves settings.lua
    app = nullptr;
    const std::string saved = appData.read("settings.lua");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.size() % 16, 0u);
    EXPECT_EQ(saved.find("volume"), std::string::npos); // enciphered
    start("");
    EXPECT_FLOAT_EQ(number("settings.volume"), 0.7f);
    EXPECT_TRUE(boolean("settings.name == 'Ada \"the\" player'"));
    // A plain-text file (not a multiple of 16 bytes) is read as it is.
    delete app;
    app = nullptr;
    appData.write("highscores.lua", "best = 12345");
    start("");
    EXPECT_FLOAT_EQ(number("highscores.best"), 12345.0f);
}

TEST_F(GameTest, FrameCallbacksAndTables)
{
    start("calls = {} function update(a, b) calls[#calls + 1] = a == b and a or -1 end "
          "function resolutionChanged(w, h) resized = w .. 'x' .. h end");
    run("setBGColor(300, -5, 12.7)");
    EXPECT_EQ(world().backgroundColour(), 0xFF000Cu);
    frame(0.02f);
    EXPECT_EQ(context->lastClear, 0xFFFF000Cu);
    frame(0.05f);
    EXPECT_TRUE(boolean("#calls == 2 and math.abs(calls[1] - 0.02) < 1e-6 and math.abs(calls[2] - 0.05) < 1e-6"));
    run("first = touches");
    frame(0.02f);
    EXPECT_TRUE(boolean("first ~= touches and touchcount == 0 and next(touches) == nil"));
    app->mouseMoved(12, 34);
    app->setKeyDown(KEY_LBUTTON, true);
    frame(0.02f);
    EXPECT_TRUE(boolean("touchcount == 1 and touches['1'].x == 12 and touches['1'].y == 34"));
    context->resize(400, 300);
    app->resized();
    EXPECT_TRUE(boolean("resized == '400x300'"));
    EXPECT_EQ(context->presents, 3 + 1);
}

TEST_F(GameTest, ServiceNativesAreQuiet)
{
    start("");
    run("activateNexaUI() deactivateNexaUI() showNexaSplash() postHighscore('board', 100)"
        "logFlurryEvent('e') logFlurryEventWithParam('e', 'k', 'v') logFlurryEventWithParams('e', 'p')"
        "initGameCenter() showLeaderboards() getLeaderboardScoresForRange('b', 1, 10) avoidNexaBackgroundActivity(true)"
        "unlockAchievement('first', 'First!') goToTaskSwitcherLua() playVideo('intro.avi') setGameOn(true)");
    EXPECT_FALSE(boolean("isNexaUIShowing() or isNexaSplashShowing() or userEnabledNexa()"));
    EXPECT_TRUE(boolean("doesMouseClickSetsTouchCount()"));
    EXPECT_NE(log.text().find("Unlocking Nexa achievement first First!\n"), std::string::npos);
}

TEST_F(GameTest, KeysBetweenFrames)
{
    start("");
    app->keyDown(KEY_LBUTTON);
    app->keyUp(KEY_LBUTTON);
    frame(0.02f);
    EXPECT_TRUE(boolean("keyPressed.LBUTTON and keyReleased.LBUTTON and not keyHold.LBUTTON"));
    frame(0.02f);
    EXPECT_TRUE(boolean("not keyPressed.LBUTTON and not keyReleased.LBUTTON"));
    app->setKeyDown(framework::KEY_A, true);
    frame(0.02f);
    EXPECT_TRUE(boolean("keyHold.A"));
}

TEST_F(GameTest, VolumeKeysStayWithinRange)
{
    start("");
    app->keyDown(framework::KEY_ADD);
    frame(0.02f);
    EXPECT_NEAR(number("settings.volume"), 0.1f, 1e-6f); // from 0: no audio output yet
    app->keyDown(framework::KEY_SUBTRACT);
    frame(0.02f);
    EXPECT_EQ(number("settings.volume"), 0.0f);
}

TEST_F(GameTest, WheelZoomAnimates)
{
    start("");
    app->mouseWheel(3);
    EXPECT_TRUE(boolean("cursor.wheelTriggered and cursor.wheel == 3"));
    app->advanceZoom(0.25f);
    EXPECT_GT(app->zoom(), 1.0f);
    EXPECT_LT(app->zoom(), 1.6f);
    app->advanceZoom(0.26f);
    EXPECT_FLOAT_EQ(app->zoom(), 1.6f);
    frame(0.02f);
    EXPECT_FALSE(boolean("cursor.wheelTriggered"));

    app->setZoom(1.0f);
    app->setKeyDown(KEY_SHIFT, true);
    app->mouseWheel(3);
    app->advanceZoom(0.6f);
    EXPECT_FLOAT_EQ(app->zoom(), 1.03f);
    app->setKeyDown(KEY_SHIFT, false);

    app->setZoom(0.5f);
    app->mouseWheel(-1);
    app->advanceZoom(0.6f);
    EXPECT_FLOAT_EQ(app->zoom(), 0.4f);

    app->setZoom(0.02f);
    app->mouseWheel(-5);
    app->advanceZoom(0.6f);
    EXPECT_FLOAT_EQ(app->zoom(), 0.01f);
}

TEST_F(GameTest, ASecondNotchAccumulates)
{
    start("setMaxWorldScale(10)");
    app->mouseWheel(1); // 1.0 -> 1.2 over 0.5 s
    app->advanceZoom(0.2f);
    const float at = app->zoom();
    app->mouseWheel(1); // target + 0.1, the rest of a 0.8 s animation
    app->advanceZoom(0.79f);
    EXPECT_LT(app->zoom(), 1.3f);
    EXPECT_GT(app->zoom(), at);
    app->advanceZoom(0.02f);
    EXPECT_FLOAT_EQ(app->zoom(), 1.3f);
}

TEST_F(GameTest, PinchTriplesTheZoom)
{
    start("");
    framework::FrameState::current().fullScreen = true;
    app->runGestures(0.02f); // entering full screen
    app->touchBegan({1, 100, 100});
    app->touchBegan({2, 220, 100});
    app->runGestures(0.02f);
    EXPECT_EQ(app->gestureState(), 1);
    app->touchMoved({1, 90, 100}); // apart: recognised at a distance of 120 + ...
    app->touchMoved({2, 230, 100});
    app->runGestures(0.02f);
    EXPECT_EQ(app->gestureState(), 3);
    EXPECT_TRUE(boolean("multitouchZoom.zoomCoolingTime == -1"));
    // The pinch started at 140 px; widening to 420 px triples the zoom.
    app->touchMoved({1, 0, 100});
    app->touchMoved({2, 420, 100});
    app->runGestures(0.02f);
    EXPECT_FLOAT_EQ(app->zoom(), 3.0f);
    app->touchEnded({1, 0, 0});
    app->touchEnded({2, 0, 0});
    app->runGestures(0.02f);
    EXPECT_EQ(app->gestureState(), 0);
    EXPECT_TRUE(boolean("multitouchZoom.zoomCoolingTime == 0"));
}

TEST_F(GameTest, APinchRecognisedOnOneSpotCountsFromWhereTheFingersPart)
{
    start("");
    framework::FrameState::current().fullScreen = true;
    app->runGestures(0.02f);
    app->touchBegan({1, 100, 100});
    app->touchBegan({2, 120, 100});
    app->runGestures(0.02f);
    app->touchMoved({1, 110, 100}); // towards each other, onto one point
    app->touchMoved({2, 110, 100});
    app->runGestures(0.02f);
    ASSERT_EQ(app->gestureState(), 3);
    app->touchMoved({1, 100, 100});
    app->touchMoved({2, 120, 100});
    app->runGestures(0.02f);
    EXPECT_FLOAT_EQ(app->zoom(), 1.0f);
    app->touchMoved({1, 90, 100});
    app->touchMoved({2, 130, 100});
    app->runGestures(0.02f);
    EXPECT_FLOAT_EQ(app->zoom(), 2.0f);
}

TEST_F(GameTest, ASelectedBirdBlocksGestures)
{
    start("selectedBird = {}");
    framework::FrameState::current().fullScreen = true;
    app->touchBegan({1, 100, 100});
    app->touchBegan({2, 220, 100});
    app->runGestures(0.02f);
    EXPECT_EQ(app->gestureState(), 0);
    run("selectedBird = nil");
    app->runGestures(0.02f);
    EXPECT_EQ(app->gestureState(), 1);
    run("selectedBird = {}");
    app->runGestures(0.02f);
    EXPECT_EQ(app->gestureState(), 4);
}

TEST_F(GameTest, DeviceModels)
{
    framework::Config::current().deviceModel = "roku";
    script("starLimits.lua", "");
    script("loadlist.lua", "");
    script("blocks.lua", "");
    script("gamelogic.lua", "");
    framework::Config& config = framework::Config::current();
    config.dataPath = data.path() + "/";
    config.scriptPath = "scripts";
    config.deviceModel = "roku";
    app = new game::GameApp(&os, context.ptr());
    EXPECT_TRUE(boolean("rokuOnWindows == true and deviceModel == 'roku'"));
    // The resolution switch is the iphone4's alone.
    run("changeResolution = true");
    frame(0.02f);
    EXPECT_TRUE(boolean("changeResolution"));
    EXPECT_TRUE(os.resolutions.empty());
    context->setWindowSize(1920, 1080);
    run("deviceModel = 'iphone4' wantedResolution = 'HALF'");
    frame(0.02f);
    run("changeResolution = true wantedResolution = 'FULL'");
    frame(0.02f);
    EXPECT_FALSE(boolean("changeResolution"));
    ASSERT_EQ(os.resolutions.size(), 2u);
    EXPECT_EQ(os.resolutions[0], (std::pair<int, int>{960, 540}));
    EXPECT_EQ(os.resolutions[1], (std::pair<int, int>{1920, 1080}));
}

TEST_F(GameTest, RokuIsAbsentElsewhere)
{
    start("");
    EXPECT_TRUE(boolean("rokuOnWindows == nil"));
}

TEST_F(GameTest, VersionCheck)
{
    HttpPeer peer("HTTP/1.1 200 OK\r\nContent-Length: 53\r\n\r\nstatus=ok&latest=2.1.0&url=http://example.org/get&x=1");
    if (!peer.ready())
        GTEST_SKIP() << "cannot listen on 127.0.0.1:80 here";
    start("gameVersionNumber = '1.2.3' calls = 0 "
          "function latestVersionNumberReceived(latest, url) got = latest .. ' ' .. url calls = calls + 1 end");
    framework::Config::current().versionCheckUrl = "http://127.0.0.1/check?";
    run("requestLatestVersionNumber()");
    for (int i = 0; i < 200 && !boolean("got ~= nil"); ++i) {
        frame(0.01f);
        usleep(10000);
    }
    EXPECT_TRUE(boolean("got == '2.1.0 http://example.org/get'"));
    frame(0.01f);
    EXPECT_EQ(number("calls"), 1.0f);
    EXPECT_EQ(peer.request().rfind("GET /check?version=1.2.3&debugVersion=2.0.0 HTTP/1.1\r\n", 0), 0u);
    framework::Config::current().versionCheckUrl = lang::String();
}

TEST_F(GameTest, VersionCheckWithoutAnswerCallsNothing)
{
    EXPECT_FALSE(game::GameLua::parseVersionAnswer("garbage", nullptr, nullptr, nullptr));
    lang::String status, latest, url;
    EXPECT_TRUE(game::GameLua::parseVersionAnswer("status=ok&latest=3\r\n", &status, &latest, &url));
    EXPECT_EQ(latest, "3");
    start("function latestVersionNumberReceived() called = true end");
    run("requestLatestVersionNumber() checkForUpdates() callVersionUpdater()"); // no endpoint, no updater
    for (int i = 0; i < 5; ++i)
        frame(0.01f);
    EXPECT_FALSE(boolean("called == true"));
}

TEST_F(GameTest, TheUpdaterBesideTheProgramReportsThroughItsExitCode)
{
    // The updater is looked up next to the running program: here, the test program.
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    ASSERT_GT(length, 0);
    std::string program(self, static_cast<size_t>(length));
    const std::string updater = program.substr(0, program.rfind('/') + 1) + "updater";
    TempDir dir;
    std::ofstream(updater) << "#!/bin/sh\necho \"$1\" >> '" << (dir / "args") << "'\nexit 1\n";
    ASSERT_EQ(chmod(updater.c_str(), 0755), 0);

    start("function updateAvailable(yes) answer = yes end");
    run("checkForUpdates()");
    for (int i = 0; i < 500 && !boolean("answer ~= nil"); ++i) {
        frame(0.01f);
        usleep(2000);
    }
    EXPECT_TRUE(boolean("answer == true"));
    run("callVersionUpdater()");
    for (int i = 0; i < 500 && dir.read("args").find("/checknow") == std::string::npos; ++i)
        usleep(2000);
    EXPECT_EQ(dir.read("args"), "/justcheck\n/checknow\n");
    std::remove(updater.c_str());
}

TEST_F(GameTest, PrintGlobalsListsTheGamesOwnGlobals)
{
    start("myScore = 5 myName = 'x' function myFunction() end");
    log.clear();
    run("printGlobals()");
    EXPECT_NE(log.text().find("Name: myScore\n"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("Name: myName\n"), std::string::npos);
    EXPECT_EQ(log.text().find("Name: myFunction\n"), std::string::npos); // functions are left out
    EXPECT_EQ(log.text().find("Name: math\n"), std::string::npos);       // the library is not the game's
}

TEST_F(GameTest, TimeMarksMeasureIntervalsInMicroseconds)
{
    start();
    using Clock = std::chrono::steady_clock;
    // Slot 0 by default, and each slot kept apart: slot 3 is marked once, before a wait that
    // slot 0 does not see.
    run("markTime(3)");
    const Clock::time_point outer = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    run("markTime()");
    const Clock::time_point inner = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const float sinceZero = number("microsecondsSince()");
    const float sinceThree = number("microsecondsSince(3)");
    const double innerBound = std::chrono::duration<double, std::micro>(Clock::now() - inner).count();
    const double outerBound = std::chrono::duration<double, std::micro>(Clock::now() - outer).count();
    EXPECT_GE(sinceZero, 30000);
    EXPECT_LE(sinceZero, innerBound + 1);
    EXPECT_GE(sinceThree, 50000);
    EXPECT_LE(sinceThree, outerBound + 1);
    EXPECT_EQ(number("microsecondsSince(0) < microsecondsSince(3) and 1 or 0"), 1);
    // A slot never marked counts from the game's start, so it is never negative.
    EXPECT_GT(number("microsecondsSince(15)"), sinceThree);
    // Short intervals keep their fraction of a microsecond: consecutive reads differ.
    EXPECT_EQ(number("(function() markTime(1) local a = microsecondsSince(1) local b = a "
                     "for i = 1, 100000 do b = microsecondsSince(1) if b ~= a then break end end "
                     "return (b > a and b < 1000) and 1 or 0 end)()"),
              1);
}

TEST_F(GameTest, ATimeSlotOutOfRangeIsAScriptErrorNamingTheNative)
{
    start();
    auto failure = [&](const std::string& call) {
        run("local ok, message = pcall(function() " + call + " end) __message = ok and 'no error' or message");
        return world().getString("__message").str();
    };
    EXPECT_EQ(failure("markTime(16)"), "markTime: slot 16 is not a whole number from 0 to 15");
    EXPECT_EQ(failure("markTime(-1)"), "markTime: slot -1 is not a whole number from 0 to 15");
    EXPECT_EQ(failure("microsecondsSince(2.5)"), "microsecondsSince: slot 2.5 is not a whole number from 0 to 15");
    EXPECT_EQ(failure("microsecondsSince(0/0)").rfind("microsecondsSince: slot ", 0), 0u);
    EXPECT_EQ(failure("markTime('1')").rfind("markTime: Excepted type NUMBER at stack position 1 but found STRING", 0),
              0u);
    EXPECT_EQ(failure("markTime(nil) markTime(15)"), "no error");
}
