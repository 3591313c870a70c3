// Developer mode: plain scripts, the error screen, the native's name in errors, no saving
// after an error, hot reload of saved files, and the console.

#include "GameFixture.h"
#include "GameProcess.h"
#include "ResourceWriters.h"

#include "game/DeveloperConsole.h"
#include "game/ErrorScreen.h"
#include "game/LuaResources.h"
#include "game/ScriptFile.h"

#include <box2d/box2d.h>

#include <chrono>
#include <functional>
#include <thread>

using lang::String;

namespace {

using Clock = std::chrono::steady_clock;

const int KEY_C = framework::KEY_A + 2;
const int KEY_R = framework::KEY_A + 17;
const int KEY_P = framework::KEY_A + 15;

/// The OS side with a clipboard.
class ClipboardOS : public FakeOS
{
public:
    bool setClipboardText(const String& text) override
    {
        clipboard = text.str();
        return true;
    }
    std::string clipboard;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

/// A game on a data directory of scripts written by each test, plain or enciphered.
class Developer : public GameTest
{
protected:
    ClipboardOS devOs;

    /// Writes scripts/<name> as plain source.
    void plain(const std::string& name, const std::string& text)
    {
        std::system(("mkdir -p '" + data.path() + "/scripts/lib' '" + data.path() + "/levels'").c_str());
        data.write("scripts/" + name, text);
    }
    /// Starts the game on the scripts written so far (missing start-up scripts empty and
    /// enciphered), in developer mode through config.lua or not at all.
    void launch(bool developer)
    {
        for (const char* name : {"starLimits.lua", "loadlist.lua", "gamelogic.lua", "blocks.lua", "particles.lua"})
            if (data.read(std::string("scripts/") + name).empty())
                script(name, "");
        framework::Config& config = framework::Config::current();
        config = framework::Config();
        config.dataPath = data.path() + "/";
        config.scriptPath = "scripts";
        config.developer = developer;
        app = new game::GameApp(&devOs, context.ptr());
    }
    std::string errorText() { return app->errorScreen() ? app->errorScreen()->text().str() : std::string("(none)"); }
    /// Runs frames until done holds, for at most a second and a half; the time it took.
    long framesUntil(const std::function<bool()>& done)
    {
        const Clock::time_point start = Clock::now();
        while (!done() && Clock::now() - start < std::chrono::milliseconds(1500)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            frame(0.01f);
        }
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    }
    std::string string(const char* code)
    {
        run(std::string("__result = ") + code);
        return world().getString("__result").str();
    }
};

class PlainScripts : public Developer
{
};

class ErrorScreen : public Developer
{
};

class HotReload : public Developer
{
};

/// A game whose update counts its frames and notes the keys it was given.
class Console : public Developer
{
protected:
    static constexpr const char* kGame = "score = 1 frames = 0 seen = ''\n"
                                         "function bonus(n) return score * n, 'points' end\n"
                                         "function update(dt)\n"
                                         "  frames = frames + 1\n"
                                         "  for _, key in ipairs({ 'F1', 'P', 'RETURN', 'ESCAPE', 'UP' }) do\n"
                                         "    if keyPressed[key] then seen = seen .. key .. ' ' end\n"
                                         "    if keyHold[key] then seen = seen .. 'held ' .. key .. ' ' end\n"
                                         "  end\n"
                                         "end\n";

    void press(int code)
    {
        app->setKeyDown(code, true);
        app->keyDown(code);
        app->setKeyDown(code, false);
        app->keyUp(code);
    }
    /// Types a line into the open console and runs it.
    void enter(const std::string& line)
    {
        app->textInput(line.c_str());
        press(framework::KEY_RETURN);
    }
    const game::DeveloperConsole::Line& last() { return app->console()->scrollback().back(); }
    std::string scrollback()
    {
        std::string text;
        for (const game::DeveloperConsole::Line& line : app->console()->scrollback())
            text += std::to_string(line.kind) + " " + line.text + "\n";
        return text;
    }
};

/// The console on an interpreter of its own, for its editing and history.
class ConsoleLine : public ::testing::Test
{
protected:
    LogCapture log;
    lang::Ptr<lua::LuaState> lua = new lua::LuaState;
    lua::LuaTable env{lua.ptr()};
    std::unique_ptr<game::DeveloperConsole> console;

    void SetUp() override
    {
        env.inheritFrom(lua->globals());
        console.reset(new game::DeveloperConsole(lua.ptr(), env));
    }
    void TearDown() override { console.reset(); }
    std::vector<std::string> history()
    {
        std::vector<std::string> out;
        for (const String& line : console->history())
            out.push_back(line.str());
        return out;
    }
};

const char* const kFailingUpdate = "frames = 0\n"
                                   "function update(dt)\n"
                                   "  frames = frames + 1\n"
                                   "  if frames == 2 then\n"
                                   "    local missing = nil\n"
                                   "    return missing.x\n"
                                   "  end\n"
                                   "end\n";

} // namespace

// --- plain and enciphered scripts --------------------------------------------------

TEST(ScriptFile, TellsEncipheredFromPlainByPaddingAndText)
{
    const uint8_t* key = game::scriptKey();
    auto encipher = [&](const std::string& text, bool randomFill = false) {
        return lang::BlockCipher::encipher(key, text.data(), static_cast<int>(text.size()), randomFill);
    };
    String text;
    EXPECT_TRUE(game::decipherScript(key, encipher("x = 1\n"), &text));
    EXPECT_EQ(text, "x = 1\n");
    // Padding bytes of the encipherer's random fill: only the pad count is looked at.
    EXPECT_TRUE(game::decipherScript(key, encipher("function f() end\n", true), &text));
    EXPECT_EQ(text, "function f() end\n");
    EXPECT_TRUE(game::decipherScript(key, encipher(""), &text));
    EXPECT_EQ(text, "");
    // Plain source of a whole number of blocks (32 bytes) is plain, not random text.
    const std::string source = "local a = 1 -- thirty-two bytes\n";
    ASSERT_EQ(source.size(), 32u);
    EXPECT_FALSE(game::decipherScript(key, source, &text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(game::decipherScript(key, "x = 1", &text));
    EXPECT_FALSE(game::decipherScript(key, "", &text));
    // Enciphered with stray bytes that are not UTF-8 in a string: still enciphered.
    EXPECT_TRUE(game::decipherScript(key, encipher("s = '\xe9t\xe9'\n"), &text));
    EXPECT_EQ(text, "s = '\xe9t\xe9'\n");
    // Enciphered with another key: not the game's script, and its bytes are no text either.
    const std::string other = lang::BlockCipher::encipher(game::saveKey(), "y = 2\n", 6).str();
    String garbage;
    const bool taken = game::decipherScript(key, other, &garbage);
    EXPECT_TRUE(!taken || !game::isScriptText(garbage.str()));
}

TEST_F(PlainScripts, RunOnlyInDeveloperModeAndAreRefusedByNameOtherwise)
{
    plain("gamelogic.lua", "ran = true\nfunction update() end\n");
    plain("starLimits.lua", "limit = 3\n");
    launch(false);
    EXPECT_FALSE(world().isBoolean("ran"));
    EXPECT_FALSE(boolean("starTable.limit == 3"));
    const std::string file = data.path() + "/scripts/gamelogic.lua";
    EXPECT_TRUE(contains(log.text(), file + " is not enciphered with the game's script key; plain scripts run only in "
                                            "developer mode\n"))
        << log.text();
    EXPECT_TRUE(contains(log.text(), data.path() + "/scripts/starLimits.lua is not enciphered")) << log.text();
    EXPECT_FALSE(contains(log.text(), "Developer mode\n"));
    EXPECT_FALSE(app->developerMode());
    delete app;
    app = nullptr;

    log.clear();
    launch(true);
    EXPECT_TRUE(app->developerMode());
    EXPECT_TRUE(contains(log.text(), "Developer mode\n"));
    EXPECT_TRUE(world().getBoolean("ran"));
    EXPECT_TRUE(boolean("starTable.limit == 3"));
    EXPECT_FALSE(contains(log.text(), "is not enciphered"));
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
}

TEST_F(PlainScripts, EncipheredScriptsRunInBothModes)
{
    script("gamelogic.lua", "ran = 'enciphered'");
    for (bool developer : {false, true}) {
        launch(developer);
        EXPECT_EQ(world().getString("ran"), "enciphered") << developer;
        EXPECT_FALSE(contains(log.text(), "is not enciphered"));
        delete app;
        app = nullptr;
    }
}

TEST_F(PlainScripts, DevOnTheCommandLineTurnsDeveloperModeOn)
{
    plain("gamelogic.lua", "ran = launchOptions.dev");
    devOs.addArgument("pelterra");
    devOs.addArgument("config.lua");
    devOs.addArgument("--dev");
    launch(false);
    EXPECT_TRUE(app->developerMode());
    EXPECT_TRUE(world().getBoolean("ran"));
}

TEST_F(PlainScripts, LevelsAndDataFilesMayBePlainInDeveloperMode)
{
    script("gamelogic.lua", "objects.world = {} deadBlocks = {}\n");
    plain("lib/ui.lua", "function label() return 'plain' end\n");
    data.write("levels/one.lua", "world = { crate = { x = 1 } }\ntheme = 'day'\n");
    launch(false);
    run("loadLevel('levels/one') loadLuaFileToObject(scriptPath .. '/lib/ui.lua', this, 'ui')");
    EXPECT_TRUE(boolean("loadedObjects ~= nil and loadedObjects.theme == nil"));
    EXPECT_FALSE(boolean("ui.label ~= nil"));
    EXPECT_TRUE(contains(log.text(), data.path() + "/levels/one.lua is not enciphered"));
    EXPECT_TRUE(contains(log.text(), data.path() + "/scripts/lib/ui.lua is not enciphered"));
    delete app;
    app = nullptr;

    launch(true);
    run("loadLevel('levels/one') loadLuaFileToObject(scriptPath .. '/lib/ui.lua', this, 'ui')");
    EXPECT_TRUE(boolean("loadedObjects.theme == 'day' and loadedObjects.world.crate.x == 1"));
    EXPECT_EQ(string("ui.label()"), "plain");
}

// --- the error screen ----------------------------------------------------------------

TEST_F(ErrorScreen, AnErrorInUpdateStopsTheScriptsAndShowsWhereItFailed)
{
    plain("gamelogic.lua", kFailingUpdate);
    launch(true);
    frame(0.01f);
    ASSERT_EQ(app->errorScreen(), nullptr) << errorText();
    frame(0.01f);
    ASSERT_NE(app->errorScreen(), nullptr);
    const std::string text = errorText();
    const std::string file = data.path() + "/scripts/gamelogic.lua";
    EXPECT_EQ(text.rfind("Script error\n", 0), 0u) << text;
    EXPECT_TRUE(contains(text, "attempt to index local 'missing' (a nil value)")) << text;
    EXPECT_TRUE(contains(text, "Call stack:\n  " + file + ":6\n")) << text;
    // The source around line 6, numbered, the failing line marked.
    EXPECT_TRUE(contains(text, file + ":\n  1 | frames = 0\n")) << text;
    EXPECT_TRUE(contains(text, "  5 |     local missing = nil\n> 6 |     return missing.x\n  7 |   end\n  8 | end\n")) << text;
    EXPECT_TRUE(contains(text, "\nR reload  C copy  Esc quit\n")) << text;

    // The scripts are called no more; the engine draws the report itself.
    context->take();
    const int presents = context->presents;
    for (int i = 0; i < 3; ++i)
        frame(0.01f);
    EXPECT_EQ(world().getNumber("frames"), 2.0f);
    EXPECT_EQ(context->presents, presents + 3);
    EXPECT_EQ(context->lastClear, game::ErrorScreen::BACKGROUND);
    const std::vector<DrawnQuad> quads = context->take();
    const auto panel = std::find_if(quads.begin(), quads.end(), [](const DrawnQuad& q) {
        return q.colour == game::ErrorScreen::PANEL && q.x == 16 && q.y == 16 && q.width == 480 - 32 && q.height == 320 - 32;
    });
    EXPECT_NE(panel, quads.end());
    EXPECT_GT(quads.size(), 300u); // the text, glyph by glyph
}

TEST_F(ErrorScreen, RRunsTheFixedStartUpAgain)
{
    plain("gamelogic.lua", kFailingUpdate);
    launch(true);
    frame(0.01f);
    frame(0.01f);
    ASSERT_NE(app->errorScreen(), nullptr);
    plain("gamelogic.lua", "frames = 0 fixed = true\nfunction update(dt) frames = frames + 1 end\n");
    app->keyDown(KEY_R);
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
    EXPECT_TRUE(world().getBoolean("fixed"));
    frame(0.01f);
    frame(0.01f);
    EXPECT_EQ(world().getNumber("frames"), 2.0f);
    EXPECT_FALSE(contains(log.text(), "Restarting")) << log.text(); // no level was running

    // A start-up that still fails shows why, and R tries again.
    plain("gamelogic.lua", "function update(dt) end\nlocal x = = 1\n");
    app->reloadScripts();
    ASSERT_NE(app->errorScreen(), nullptr);
    EXPECT_EQ(app->errorScreen()->title(), "Start-up failed");
    EXPECT_TRUE(contains(errorText(), "Error while compiling Lua")) << errorText();
    EXPECT_TRUE(contains(errorText(), "> 2 | local x = = 1\n")) << errorText();
}

// A level of one crate, made by the scripts from loadedObjects.
const char* const kLevelGame = "objects.world = {} deadBlocks = {}\n"
                               "function startLevel(name)\n"
                               "  objects.world = {} deadBlocks = {}\n"
                               "  loadLevel(name)\n"
                               "  for key, entry in pairs(loadedObjects.world) do\n"
                               "    createBox(key, '', entry.x, entry.y, 1, 1, 1, 0.5, 0, true, false, 1)\n"
                               "  end\n"
                               "  setPhysicsEnabled(true)\n"
                               "  frames = 0\n"
                               "end\n"
                               "function update(dt)\n"
                               "  frames = frames + 1\n"
                               "  if broken then error('the crate is lost') end\n"
                               "end\n";

TEST_F(ErrorScreen, RRestartsTheLevelThatWasRunning)
{
    plain("gamelogic.lua", std::string(kLevelGame) +
                               "function restartLevel(name) restarted = { name, select('#', name) } startLevel(name) end\n");
    data.write("levels/one.lua", "world = { crate = { x = 3, y = 1 } }\n");
    launch(true);
    run("startLevel('levels/one')");
    for (int i = 0; i < 20; ++i)
        frame(1.0f / 30);
    const b2Body* crate = world().object("crate")->body;
    EXPECT_GT(crate->GetPosition().y, 1.5f); // fallen
    run("broken = true");
    frame(1.0f / 30);
    ASSERT_NE(app->errorScreen(), nullptr);

    // Fixed, R runs the scripts again and the level starts over: its file is read again, the
    // crate is made again where the file puts it, and falls again as the frames run.
    plain("gamelogic.lua", std::string(kLevelGame) + "broken = false\n"
                                                     "function restartLevel(name) restarted = { name, select('#', name) } "
                                                     "startLevel(name) end\n");
    log.clear();
    app->keyDown(KEY_R);
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
    EXPECT_TRUE(contains(log.text(), "Restarting levels/one\nLoading blocks...\n")) << log.text();
    EXPECT_TRUE(contains(log.text(), "Loading level from file...\n")) << log.text();
    EXPECT_TRUE(boolean("restarted[1] == 'levels/one' and restarted[2] == 1"));
    ASSERT_NE(world().object("crate"), nullptr);
    crate = world().object("crate")->body;
    EXPECT_EQ(crate->GetPosition().y, 1.0f);
    for (int i = 0; i < 20; ++i)
        frame(1.0f / 30);
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
    EXPECT_EQ(number("frames"), 20.0f);
    EXPECT_GT(world().object("crate")->body->GetPosition().y, 1.5f);

    // A restart that fails shows why.
    plain("gamelogic.lua", std::string(kLevelGame) + "function restartLevel(name) error('no such level') end\n");
    run("broken = true");
    frame(1.0f / 30);
    ASSERT_NE(app->errorScreen(), nullptr);
    app->keyDown(KEY_R);
    ASSERT_NE(app->errorScreen(), nullptr);
    EXPECT_TRUE(contains(errorText(), "no such level")) << errorText();
}

TEST_F(ErrorScreen, WithoutRestartLevelRLeavesTheLevelAsItWas)
{
    plain("gamelogic.lua", kLevelGame);
    data.write("levels/one.lua", "world = { crate = { x = 3, y = 1 } }\n");
    launch(true);
    run("startLevel('levels/one')");
    for (int i = 0; i < 20; ++i)
        frame(1.0f / 30);
    run("broken = true");
    frame(1.0f / 30);
    ASSERT_NE(app->errorScreen(), nullptr);
    const float y = world().object("crate")->body->GetPosition().y;
    EXPECT_GT(y, 1.5f);
    plain("gamelogic.lua", std::string(kLevelGame) + "broken = false\n");
    log.clear();
    app->keyDown(KEY_R);
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
    EXPECT_TRUE(contains(log.text(), "The game defines no restartLevel(levelName): levels/one goes on as it was\n"))
        << log.text();
    EXPECT_FALSE(contains(log.text(), "Loading blocks...")) << log.text();
    EXPECT_EQ(world().object("crate")->body->GetPosition().y, y);

    // A level that did not load is no level to restart.
    run("startLevel('levels/missing')");
    EXPECT_EQ(world().currentLevel(), "");
}

TEST_F(ErrorScreen, CCopiesTheReportAndEscQuits)
{
    plain("gamelogic.lua", "function update() error('the crate is lost') end\n");
    launch(true);
    frame(0.01f);
    ASSERT_NE(app->errorScreen(), nullptr);
    EXPECT_TRUE(contains(errorText(), "the crate is lost\n")) << errorText();
    app->keyDown(KEY_C);
    EXPECT_EQ(devOs.clipboard, errorText());
    EXPECT_FALSE(app->quitRequested());
    app->keyDown(framework::KEY_ESCAPE);
    EXPECT_TRUE(app->quitRequested());
}

TEST_F(ErrorScreen, AStartUpFailureShowsInsteadOfTheBox)
{
    plain("gamelogic.lua", "function update() end\n"
                           "function createStartUpAssets()\n"
                           "  res.createSpriteSheet('sprites/nowhere.dat')\n"
                           "end\n");
    launch(true);
    ASSERT_NE(app->errorScreen(), nullptr);
    EXPECT_EQ(app->errorScreen()->title(), "Start-up failed");
    EXPECT_TRUE(contains(errorText(), "Failed to open")) << errorText();
    // An engine error raised in a native: its name, and the script line that called it.
    EXPECT_TRUE(contains(errorText(), "in the native createSpriteSheet\n")) << errorText();
    EXPECT_TRUE(contains(errorText(), "> 3 |   res.createSpriteSheet('sprites/nowhere.dat')\n")) << errorText();
}

TEST_F(ErrorScreen, WithoutDeveloperModeTheErrorEndsTheFrameAsBefore)
{
    script("gamelogic.lua", kFailingUpdate);
    launch(false);
    frame(0.01f);
    EXPECT_THROW(frame(0.01f), lua::LuaException);
    EXPECT_EQ(app->errorScreen(), nullptr);
}

TEST_F(ErrorScreen, ATypeErrorFromANativeNamesIt)
{
    plain("gamelogic.lua", "objects.world = {}\n"
                           "function update()\n"
                           "  createBox('crate', '', 0, 'one', 1, 1, 1, 0.5, 0, true, false, 1)\n"
                           "end\n");
    launch(true);
    frame(0.01f);
    ASSERT_NE(app->errorScreen(), nullptr);
    const std::string text = errorText();
    EXPECT_TRUE(contains(text, "\ncreateBox: Excepted type NUMBER at stack position 4 but found STRING\n")) << text;
    EXPECT_FALSE(contains(text, "in the native")) << text; // named once
    EXPECT_TRUE(contains(text, "> 3 |   createBox(")) << text;
}

TEST_F(ErrorScreen, AnErroredSessionSavesNothing)
{
    plain("gamelogic.lua", "settings.volume = 0.25\n"
                           "function calculatePlaytime() settings.played = true end\n"
                           "function update() if broken then settings.volume = 0.9 error('boom') end end\n");
    launch(true);
    frame(0.01f);
    delete app; // a good session saves
    app = nullptr;
    const std::string saved = appData.read("settings.lua");
    ASSERT_FALSE(saved.empty());

    launch(true);
    EXPECT_TRUE(boolean("settings.volume == 0.25 and settings.played == true"));
    run("broken = true");
    frame(0.01f);
    ASSERT_NE(app->errorScreen(), nullptr);
    log.clear();
    delete app;
    app = nullptr;
    EXPECT_EQ(appData.read("settings.lua"), saved);
    EXPECT_TRUE(contains(log.text(), "Not saving the settings: this session met a script error\n")) << log.text();
}

// --- hot reload ----------------------------------------------------------------------

TEST_F(HotReload, ASavedScriptReplacesItsFunctionsAndKeepsTheGlobals)
{
    plain("gamelogic.lua", "function step() count = (count or 0) + 1 end\nfunction kind() return 'old' end\n");
    launch(true);
    run("step() step() step()");
    log.clear();
    plain("gamelogic.lua", "function step() count = (count or 0) + 10 end\nfunction kind() return 'new' end\n");
    const long took = framesUntil([&] { return string("kind()") == "new"; });
    EXPECT_EQ(string("kind()"), "new");
    EXPECT_LT(took, 500);
    EXPECT_EQ(number("count"), 3.0f);
    run("step()");
    EXPECT_EQ(number("count"), 13.0f);
    EXPECT_TRUE(contains(log.text(), "Reloaded scripts/gamelogic.lua\n")) << log.text();
}

TEST_F(HotReload, AModuleIsReloadedIntoItsOwnTable)
{
    plain("gamelogic.lua", "loadLuaFileToObject(scriptPath .. '/lib/ui.lua', this, 'ui')\n");
    plain("lib/ui.lua", "function label() return 'before' end\n");
    launch(true);
    run("ui.clicks = 4 keep = ui");
    plain("lib/ui.lua", "function label() return 'after' end\n");
    framesUntil([&] { return string("ui.label()") == "after"; });
    EXPECT_EQ(string("ui.label()"), "after");
    EXPECT_TRUE(boolean("ui == keep and ui.clicks == 4 and label == nil"));
}

TEST_F(HotReload, AFailedReloadShowsTheErrorOverTheRunningGameAndRRetries)
{
    plain("gamelogic.lua", "function kind() return 'old' end\nfunction update() frames = (frames or 0) + 1 end\n");
    launch(true);
    plain("gamelogic.lua", "function kind() return 'new' end\nfunction update( end\n");
    framesUntil([&] { return app->errorScreen() != nullptr; });
    ASSERT_NE(app->errorScreen(), nullptr);
    EXPECT_EQ(app->errorScreen()->title(), "Reload failed");
    EXPECT_TRUE(contains(errorText(), "> 2 | function update( end\n")) << errorText();
    // The game as it was: the old functions, its state.
    EXPECT_EQ(string("kind()"), "old");
    const float frames = number("frames");
    frame(0.01f);
    EXPECT_EQ(number("frames"), frames);

    // Fixed behind its back, R tries that file again, and the game goes on.
    data.write("scripts/gamelogic.lua",
               "function kind() return 'new' end\nfunction update() frames = (frames or 0) + 1 end\n");
    app->keyDown(KEY_R);
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
    EXPECT_EQ(string("kind()"), "new");
    frame(0.01f);
    EXPECT_EQ(number("frames"), frames + 1);
}

TEST_F(HotReload, SavingTheFixGoesBackToTheGame)
{
    plain("gamelogic.lua", kFailingUpdate);
    launch(true);
    frame(0.01f);
    frame(0.01f);
    ASSERT_NE(app->errorScreen(), nullptr);
    plain("gamelogic.lua", "function update(dt) frames = frames + 1 end\n");
    framesUntil([&] { return app->errorScreen() == nullptr; });
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
    frame(0.01f);
    EXPECT_GT(number("frames"), 2.0f);
}

TEST_F(HotReload, SpriteSheetsTheirImagesFontsAndTextsReloadInPlace)
{
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        data.write(name, std::string(bytes.begin(), bytes.end()));
    };
    std::system(("mkdir -p '" + data.path() + "/sprites'").c_str());
    data.write("sprites/atlas.png", "stand-in");
    data.write("sprites/font.png", "stand-in");
    voxa::SpriteSheetData sheet;
    sheet.image = "atlas.png";
    sheet.sprites = {{"ball", 0, 0, 20, 10, 10, 5}};
    write("sprites/game.dat", voxa::writeSpriteSheet(sheet));
    voxa::FontData font;
    font.image = "font.png";
    font.glyphs = {{'A', 0, 0, 10, 12, 9}};
    write("sprites/body.dat", voxa::writeFont(font));
    voxa::TextTable texts;
    texts.languages = {"en_EN"};
    texts.ids = {"PLAY"};
    texts.texts = {{"Play"}};
    write("TEXTS_BASIC.dat", voxa::writeTexts(texts));
    plain("gamelogic.lua", "objects.world = {}\n"
                           "function createStartUpAssets()\n"
                           "  res.createSpriteSheet('sprites/game.dat')\n"
                           "  res.createBitmapFont('sprites/body.dat')\n"
                           "  res.createTextGroupSet('TEXTS_BASIC.dat')\n"
                           "  res.useFont('body')\n"
                           "  createBox('crate', 'ball', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
                           "end\n");
    launch(true);
    ASSERT_EQ(app->errorScreen(), nullptr) << errorText();
    game::Resources& resources = *app->resources()->resources();
    ASSERT_EQ(world().object("crate")->sprite->width(), 20);
    ASSERT_EQ(resources.getString("TEXTS_BASIC", "PLAY"), "Play");

    log.clear();
    sheet.sprites = {{"ball", 0, 0, 40, 30, 20, 15}};
    write("sprites/game.dat", voxa::writeSpriteSheet(sheet));
    framesUntil([&] { return contains(log.text(), "Reloaded sprites/game.dat\n"); });
    int width = 0, height = 0, px = 0, py = 0;
    ASSERT_TRUE(resources.spriteBounds("ball", &width, &height, &px, &py));
    EXPECT_EQ(width, 40);
    EXPECT_EQ(world().object("crate")->sprite->width(), 40); // the body draws the new picture

    // The image alone: its sheet is read again.
    log.clear();
    ASSERT_EQ(resources.spriteSheet("game")->image()->width(), 256);
    context->imageSizes[data.path() + "/sprites/atlas.png"] = {512, 128};
    data.write("sprites/atlas.png", "another stand-in");
    framesUntil([&] { return contains(log.text(), "Reloaded sprites/game.dat\n"); });
    EXPECT_EQ(resources.spriteSheet("game")->image()->width(), 512);

    // The current font stays current as the new object.
    log.clear();
    const game::IFont* oldFont = resources.font();
    font.glyphs = {{'A', 0, 0, 10, 12, 9}, {'B', 10, 0, 10, 12, 9}};
    write("sprites/body.dat", voxa::writeFont(font));
    framesUntil([&] { return contains(log.text(), "Reloaded sprites/body.dat\n"); });
    EXPECT_NE(resources.font(), oldFont);
    EXPECT_EQ(resources.font(), resources.loadedFont("body"));
    const auto* current = dynamic_cast<const game::BitmapFont*>(resources.font());
    ASSERT_NE(current, nullptr);
    EXPECT_NE(current->glyph('B'), nullptr);

    // Texts: the language in use is loaded again.
    texts.texts = {{"Start"}};
    write("TEXTS_BASIC.dat", voxa::writeTexts(texts));
    framesUntil([&] { return contains(log.text(), "Reloaded TEXTS_BASIC.dat\n"); });
    EXPECT_EQ(resources.getString("TEXTS_BASIC", "PLAY"), "Start");
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
}

// --- the console ---------------------------------------------------------------------

TEST_F(Console, ALineRunsInTheGamesTableAndItsValuesArePrintedAndLogged)
{
    plain("gamelogic.lua", kGame);
    launch(true);
    press(framework::KEY_F1);
    ASSERT_TRUE(app->consoleOpen());
    ASSERT_NE(app->console(), nullptr);

    enter("score = 5");
    EXPECT_EQ(world().getNumber("score"), 5.0f);
    EXPECT_EQ(last().text, "> score = 5");
    EXPECT_EQ(last().kind, game::DeveloperConsole::ECHO); // a statement has no values

    enter("bonus(3)");
    EXPECT_EQ(last().text, "15\tpoints");
    EXPECT_EQ(last().kind, game::DeveloperConsole::RESULT);
    EXPECT_TRUE(contains(log.text(), "console> bonus(3)\nconsole: 15\tpoints\n")) << log.text();

    // print takes any values in the console; what it writes goes to the log and under the line.
    log.clear();
    enter("print(1 + 2, nil, seen)");
    EXPECT_EQ(last().text, "3\tnil\t");
    EXPECT_EQ(last().kind, game::DeveloperConsole::OUTPUT);
    EXPECT_TRUE(contains(log.text(), "console> print(1 + 2, nil, seen)\n3\tnil\t\n")) << log.text();

    // Functions and tables made in the console are the game's; a local is the line's own.
    enter("function double(n) return 2 * n end local hidden = 1 shared = { double(21) }");
    EXPECT_EQ(number("double(4)"), 8.0f);
    EXPECT_EQ(number("shared[1]"), 42.0f);
    EXPECT_FALSE(boolean("hidden ~= nil"));
    enter("nothing");
    EXPECT_EQ(last().text, "nil");
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
}

TEST_F(Console, AnErrorIsTheLinesResultAndTheGameGoesOn)
{
    plain("gamelogic.lua", kGame);
    plain("lib/broken.lua", "value = = 1\n");
    launch(true);
    press(framework::KEY_F1);
    frame(0.01f);

    enter("nosuch()");
    EXPECT_EQ(last().kind, game::DeveloperConsole::FAILURE);
    EXPECT_EQ(last().text, "console:1: attempt to call global 'nosuch' (a nil value)");
    EXPECT_TRUE(contains(log.text(), "console error: console:1: attempt to call global 'nosuch' (a nil value)\n"))
        << log.text();
    enter("score = = 2");
    EXPECT_EQ(last().text, "Error while compiling Lua: console:1: unexpected symbol near '='");
    enter("error('out of lanterns')");
    EXPECT_EQ(last().text, "out of lanterns");
    // A native's type error names it; an engine error raised in a native gets its name.
    enter("createBox('crate', '', 0, 'one', 1, 1, 1, 0.5, 0, true, false, 1)");
    EXPECT_EQ(last().text, "createBox: Excepted type NUMBER at stack position 4 but found STRING");
    enter("res.createSpriteSheet('sprites/nowhere.dat')");
    EXPECT_TRUE(contains(last().text, "Failed to open")) << scrollback();
    EXPECT_TRUE(contains(last().text, "(in the native createSpriteSheet)")) << scrollback();
    // A failure the engine keeps for the error screen is the line's too.
    enter("loadLuaFileToObject(scriptPath .. '/lib/broken.lua', this, 'broken')");
    EXPECT_EQ(last().kind, game::DeveloperConsole::FAILURE) << scrollback();
    EXPECT_TRUE(contains(last().text, "broken.lua:1:")) << scrollback();

    const float frames = world().getNumber("frames");
    frame(0.01f);
    frame(0.01f);
    EXPECT_EQ(app->errorScreen(), nullptr) << errorText();
    EXPECT_EQ(world().getNumber("frames"), frames + 2);
    EXPECT_TRUE(app->consoleOpen());
    // The game keeps saving at exit: nothing it ran failed.
    EXPECT_TRUE(world().savesAtExit());
}

TEST_F(Console, WhileOpenTheKeysAreItsOwnAndF1OrEscClosesIt)
{
    plain("gamelogic.lua", kGame);
    launch(true);
    app->setKeyDown(framework::KEY_UP, true); // held since before the console opened
    app->keyDown(framework::KEY_UP);
    frame(0.01f);
    EXPECT_EQ(world().getString("seen"), "UP held UP ");
    run("seen = ''");

    press(framework::KEY_F1);
    app->setKeyDown(KEY_P, true);
    app->keyDown(KEY_P);
    app->textInput("p");
    frame(0.01f);
    press(framework::KEY_RETURN);
    frame(0.01f);
    // None of it reached the game, nor the key held from before.
    EXPECT_EQ(world().getString("seen"), "");
    // A key the console took is not released in the game either.
    app->setKeyDown(KEY_P, false);
    app->keyUp(KEY_P);
    frame(0.01f);
    EXPECT_FALSE(world().keyReleased().getBoolean("P"));

    press(framework::KEY_ESCAPE);
    EXPECT_FALSE(app->consoleOpen());
    EXPECT_FALSE(app->quitRequested());
    frame(0.01f);
    EXPECT_EQ(world().getString("seen"), "held UP ");
    press(KEY_P);
    frame(0.01f);
    EXPECT_EQ(world().getString("seen"), "held UP P held UP ");

    // F1 opens it again and closes it; the text typed while it was closed went nowhere.
    app->textInput("x = 1");
    press(framework::KEY_F1);
    EXPECT_TRUE(app->consoleOpen());
    EXPECT_EQ(app->console()->input(), "");
    press(framework::KEY_F1);
    EXPECT_FALSE(app->consoleOpen());
    EXPECT_FALSE(world().getBoolean("x"));
}

TEST_F(Console, WithoutDeveloperModeF1ReachesTheScripts)
{
    script("gamelogic.lua", kGame);
    launch(false);
    press(framework::KEY_F1);
    EXPECT_FALSE(app->consoleOpen());
    EXPECT_EQ(app->console(), nullptr);
    app->textInput("score = 9");
    press(framework::KEY_RETURN);
    frame(0.01f);
    EXPECT_EQ(world().getString("seen"), "F1 RETURN ");
    EXPECT_EQ(world().getNumber("score"), 1.0f);
    EXPECT_FALSE(contains(log.text(), "console")) << log.text();
}

TEST_F(Console, ItIsDrawnOverTheBottomOfTheGame)
{
    plain("gamelogic.lua", "function update() drawRect(0, 0, 1, 1, 0, 0, 480, 320, false) end\n");
    launch(true);
    press(framework::KEY_F1);
    enter("1 + 1");
    app->textInput("wait");
    context->take();
    frame(0.01f);
    const std::vector<DrawnQuad> quads = context->take();
    // The game's frame first, then the panel across the window's foot, then the text on it.
    const auto panel = std::find_if(quads.begin(), quads.end(),
                                    [](const DrawnQuad& q) { return q.colour == game::DeveloperConsole::PANEL; });
    ASSERT_NE(panel, quads.end());
    EXPECT_NE(panel, quads.begin());
    EXPECT_EQ(panel->x, 0);
    EXPECT_EQ(panel->width, 480);
    EXPECT_EQ(panel->y + panel->height, 320);
    // Three rows (the line, its value, the prompt) of 10 pixels with 4 above and below.
    EXPECT_EQ(panel->height, 3 * 10 + 8);
    auto drawn = [&](uint32_t colour) {
        return std::count_if(panel, quads.end(), [&](const DrawnQuad& q) { return q.colour == colour; });
    };
    EXPECT_GT(drawn(game::DeveloperConsole::ECHO_TEXT), 10);
    EXPECT_GT(drawn(game::DeveloperConsole::RESULT_TEXT), 2);
    EXPECT_GT(drawn(game::DeveloperConsole::TEXT), 10); // the prompt, "wait" and the cursor

    press(framework::KEY_F1);
    frame(0.01f);
    const std::vector<DrawnQuad> closed = context->take();
    EXPECT_EQ(std::count_if(closed.begin(), closed.end(),
                            [](const DrawnQuad& q) { return q.colour == game::DeveloperConsole::PANEL; }),
              0);
}

TEST_F(ConsoleLine, UpAndDownWalkTheHistoryAndKeepTheDraft)
{
    console->run("a = 1");
    console->run("a = 2");
    console->run("a = 2"); // the same line again is one entry
    console->run("  ");    // a blank one is none
    EXPECT_EQ(history(), (std::vector<std::string>{"a = 1", "a = 2"}));

    console->type("b = ");
    console->key(framework::KEY_UP);
    EXPECT_EQ(console->input(), "a = 2");
    console->key(framework::KEY_UP);
    EXPECT_EQ(console->input(), "a = 1");
    console->key(framework::KEY_UP); // the oldest stays
    EXPECT_EQ(console->input(), "a = 1");
    console->key(framework::KEY_DOWN);
    EXPECT_EQ(console->input(), "a = 2");
    console->key(framework::KEY_DOWN);
    EXPECT_EQ(console->input(), "b = "); // the line being typed comes back
    console->key(framework::KEY_DOWN);
    EXPECT_EQ(console->input(), "b = ");

    // A recalled line edited and run is a new entry; the walk starts again from the newest.
    console->key(framework::KEY_UP);
    console->key(framework::KEY_UP);
    console->key(framework::KEY_BACKSPACE);
    console->type("7");
    console->key(framework::KEY_RETURN);
    EXPECT_EQ(env.getNumber("a"), 7.0f);
    EXPECT_EQ(console->input(), "");
    EXPECT_EQ(history(), (std::vector<std::string>{"a = 1", "a = 2", "a = 7"}));
    console->key(framework::KEY_UP);
    EXPECT_EQ(console->input(), "a = 7");

    for (int i = 0; i < game::DeveloperConsole::HISTORY + 5; ++i)
        console->run(String("n = " + std::to_string(i)));
    EXPECT_EQ(console->history().size(), static_cast<size_t>(game::DeveloperConsole::HISTORY));
    EXPECT_EQ(console->history().front(), "n = 5");
}

TEST_F(ConsoleLine, TypingTakesPrintableTextAndBackspaceAWholeCharacter)
{
    console->type("s = '\xc3\xa9t\xc3\xa9\r\n\t\x7f'");
    EXPECT_EQ(console->input(), "s = '\xc3\xa9t\xc3\xa9'");
    console->key(framework::KEY_BACKSPACE);
    console->key(framework::KEY_BACKSPACE);
    EXPECT_EQ(console->input(), "s = '\xc3\xa9t");
    console->type("'");
    console->key(framework::KEY_RETURN);
    EXPECT_EQ(env.getString("s"), "\xc3\xa9t");
    for (int i = 0; i < 3; ++i)
        console->key(framework::KEY_BACKSPACE); // on an empty line: nothing
    EXPECT_EQ(console->input(), "");
}

TEST_F(ConsoleLine, OutputLinesAreSplitAndTheScrollbackIsBounded)
{
    EXPECT_TRUE(console->run("print('one\\ntwo')"));
    const auto& lines = console->scrollback();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].text, "one");
    EXPECT_EQ(lines[2].text, "two");
    EXPECT_FALSE(console->run("error({})"));
    EXPECT_EQ(lines.back().text, "error with a non-text value");
    for (int i = 0; i < game::DeveloperConsole::SCROLLBACK; ++i)
        console->run("1");
    EXPECT_EQ(lines.size(), static_cast<size_t>(game::DeveloperConsole::SCROLLBACK));
    EXPECT_EQ(lines.back().text, "1");
    EXPECT_EQ(lines.back().kind, game::DeveloperConsole::RESULT);
}

namespace {

/// A game for the engine's executable: enciphered, so that it runs with developer mode on
/// and off, noting the keys it sees and where the console's lines land.
class ConsoleProcess : public ::testing::Test
{
protected:
    TempDir dir;

    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X server: run through ./test.sh (xvfb-run)";
        dir.write("config.lua", "name = 'console' width = 320 height = 240 datapath = 'data/' scriptPath = 'scripts'\n");
        std::system(("mkdir -p '" + dir.path() + "/data/scripts' '" + dir.path() + "/data/shaders' && cp '" +
                     TEST_SOURCE_DIR "/../share/effects/'* '" + dir.path() + "/data/shaders/'")
                        .c_str());
        const std::pair<const char*, std::string> scripts[] = {
            {"starLimits.lua", ""},
            {"loadlist.lua", ""},
            {"blocks.lua", ""},
            {"gamelogic.lua", "score = 14 started = false\n"
                              "function update(dt)\n"
                              "  if not started then started = true print('game running') end\n"
                              "  for _, key in ipairs({ 'F1', 'P', 'RETURN' }) do\n"
                              "    if keyPressed[key] then print('game saw ' .. key) end\n"
                              "  end\n"
                              "end\n"},
        };
        for (const auto& script : scripts) {
            const String cipher = lang::BlockCipher::encipher(game::scriptKey(), script.second.data(),
                                                              static_cast<int>(script.second.size()));
            dir.write(std::string("data/scripts/") + script.first, cipher.str());
        }
    }
    std::string game(const std::string& options) const
    {
        return "'" PELTERRA_EXECUTABLE "' '" + (dir / "config.lua") + "' " + options;
    }
    /// Real keyboard input through the X server, into the window under the pointer.
    static void xdotool(const std::string& arguments)
    {
        ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
    }
    static void focus(GameProcess& play)
    {
        ASSERT_NE(play.waitFor("game running", 30), "") << play.log();
        xdotool("mousemove 160 120");
        ASSERT_NE(play.waitFor("framework: Window \"console (320x240)\" activated", 10), "") << play.log();
    }
};

} // namespace

TEST_F(ConsoleProcess, F1OpensItAndATypedLineRunsInTheGame)
{
    GameProcess play(game("--dev"), dir / "dev.txt");
    focus(play);
    size_t at = 0;
    xdotool("key F1");
    ASSERT_NE(play.waitFor("Console open", 10, 0, &at), "") << play.log();
    xdotool("type 'print(1+2)'");
    xdotool("key Return");
    ASSERT_NE(play.waitFor("console> print(1+2)", 10, at, &at), "") << play.log();
    EXPECT_EQ(play.waitFor("3", 10, at), "3") << play.log();
    xdotool("type 'score * 3'");
    xdotool("key Return");
    EXPECT_NE(play.waitFor("console: 42", 10, at), "") << play.log();
    xdotool("type 'nosuch.field'");
    xdotool("key Return");
    EXPECT_NE(play.waitFor("console error: console:1: attempt to index global 'nosuch' (a nil value)", 10, at), "")
        << play.log();
    // Up brings the line back; the game still runs, and saw none of the keys.
    xdotool("key Up Return");
    EXPECT_NE(play.waitFor("console> nosuch.field", 10, at, &at), "") << play.log();
    xdotool("key Escape");
    xdotool("key p");
    EXPECT_NE(play.waitFor("game saw P", 10, at), "") << play.log();
    EXPECT_EQ(play.end(), 0);
    const std::string log = play.log();
    EXPECT_FALSE(contains(log, "game saw F1")) << log;
    EXPECT_FALSE(contains(log, "game saw RETURN")) << log;
    EXPECT_FALSE(contains(log, "Script error")) << log;
}

TEST_F(ConsoleProcess, WithoutDeveloperModeF1IsTheGamesKey)
{
    GameProcess play(game(""), dir / "plain.txt");
    focus(play);
    xdotool("key F1");
    xdotool("type 'print(1+2)'");
    xdotool("key Return");
    EXPECT_NE(play.waitFor("game saw F1", 10), "") << play.log();
    EXPECT_NE(play.waitFor("game saw P", 10), "") << play.log();
    EXPECT_NE(play.waitFor("game saw RETURN", 10), "") << play.log();
    EXPECT_EQ(play.end(), 0);
    EXPECT_FALSE(contains(play.log(), "console>")) << play.log();
    EXPECT_FALSE(contains(play.log(), "Console open")) << play.log();
}
