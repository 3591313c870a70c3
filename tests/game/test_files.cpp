#include "GameFixture.h"

#include <sys/stat.h>

namespace {

const char* const kLevelScene =
    "objects.world = {} deadBlocks = {}\n"
    "function build()\n"
    "  objects.theme = 'night' objects.physicsToWorld = 20 objects.doNotWaitForMovingObjects = true\n"
    "  objects.counts = { birds = 3 } objects.joints = {}\n"
    "  objects.world.plank = { x = 1.5, y = -2, angle = 0.25, name = 'plank', definition = 'wood \"long\"',"
    " owner = 2, strength = 9 }\n"
    "  objects.world.rock = { x = 1234567, y = 3, angle = 0, name = 'rock', definition = 'rock', startNumber = 7 }\n"
    "end\n";

} // namespace

TEST_F(GameTest, ALevelSavedAndLoadedReadsBackEqual)
{
    start(kLevelScene);
    run("build() saveLevel('one')");
    const std::string plain = data.read("one.lua");
    ASSERT_FALSE(plain.empty());
    EXPECT_NE(plain.find("theme = \"night\"\n"), std::string::npos) << plain;
    // A plain level is not readable until it is enciphered with the script key.
    const std::string tool = "'" PELTERRA_CIPHER "' encipher --script '" + (data / "one.lua") + "' '" + (data / "one.lua") + "'";
    ASSERT_EQ(std::system(tool.c_str()), 0);
    EXPECT_EQ(data.read("one.lua").size(), (plain.size() + 16) / 16 * 16);
    run("loadLevel('one')");
    EXPECT_TRUE(boolean("loadedObjects.theme == 'night' and loadedObjects.physicsToWorld == 20"
                        " and loadedObjects.doNotWaitForMovingObjects == true and loadedObjects.counts.birds == 3"));
    EXPECT_TRUE(boolean("loadedObjects.world.plank.definition == 'wood \"long\"' and loadedObjects.world.plank.owner == 2"
                        " and loadedObjects.world.plank.x == 1.5 and loadedObjects.world.plank.angle == 0.25"
                        " and loadedObjects.world.plank.strength == nil"));
    EXPECT_TRUE(boolean("loadedObjects.world.rock.x == 1234567 and loadedObjects.world.rock.startNumber == 7"));
}

TEST_F(GameTest, AMissingLevelLeavesTheWorldEmpty)
{
    start(kLevelScene);
    run("loadedObjects = 'before' createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)");
    log.clear();
    run("loadLevel('nowhere')");
    const std::string& text = log.text();
    const size_t a = text.find("Loading blocks...\n"), b = text.find("Removing physics objects...\n"),
                 c = text.find("Loading level from file...\n"), d = text.find("Unable to load level.\n");
    ASSERT_NE(d, std::string::npos) << text;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_LT(c, d);
    EXPECT_EQ(world().world()->GetBodyCount(), 0);
    EXPECT_TRUE(boolean("loadedObjects == 'before'"));
}

TEST_F(GameTest, BrokenDataFilesFailInsteadOfHanging)
{
    start(kLevelScene);
    const std::string endless = "while true do end";
    lang::String cipher = lang::BlockCipher::encipher(game::scriptKey(), endless.data(), static_cast<int>(endless.size()));
    data.write("loop.lua", cipher.str());
    run("loadLevel('loop')");
    EXPECT_NE(log.text().find("Unable to load level.\n"), std::string::npos);
    delete app;
    app = nullptr;
    appData.write("settings.lua", "x = 1 while true do end");
    start("");
    EXPECT_TRUE(boolean("next(settings) == nil"));
}

// Players trade levels, so a level is data: it computes with math, string and table, and
// reaches nothing else: no files, no commands, no other code, none of the game's tables.
TEST_F(GameTest, ALevelFileReachesNothingBeyondItsData)
{
    start(kLevelScene);
    auto writeLevel = [&](const std::string& name, const std::string& text) {
        data.write(name + ".lua",
                   lang::BlockCipher::encipher(game::scriptKey(), text.data(), static_cast<int>(text.size())).str());
    };
    run("secret = { 1 }");
    writeLevel("calc", "n = math.floor(2.5) s = string.format('%d-%s', 7, ('ab'):upper()) t = table.concat({ 'x', 'y' })\n"
                       "kinds = { type(os), type(io), type(secret), type(_G), type(getfenv), type(loadstring),"
                       " type(require), type(setmetatable), type(createBox) }\n");
    run("loadLevel('calc')");
    EXPECT_TRUE(boolean("loadedObjects.n == 2 and loadedObjects.s == '7-AB' and loadedObjects.t == 'xy'"));
    run("kinds = table.concat(loadedObjects.kinds, ' ')");
    EXPECT_EQ(std::string(world().getString("kinds").c_str()), "nil nil nil nil nil nil nil nil nil");

    const std::string marker = data / "ran";
    for (const std::string& hostile : std::vector<std::string>{"os.execute('touch " + marker + "')", "io.open('" + marker + "', 'w')",
                                       "math.floor = nil", "string.rep = nil", "getmetatable('').__index.rep = nil",
                                       "loadstring('x = 1')()"}) {
        log.clear();
        run("loadedObjects = 'before'");
        writeLevel("hostile", hostile);
        run("loadLevel('hostile')");
        EXPECT_NE(log.text().find("Unable to load level.\n"), std::string::npos) << hostile << "\n" << log.text();
        EXPECT_TRUE(boolean("loadedObjects == 'before'")) << hostile;
    }
    struct stat info;
    EXPECT_NE(stat(marker.c_str(), &info), 0);
    // The game's own libraries are as they were.
    EXPECT_TRUE(boolean("type(math.floor) == 'function' and ('ab'):rep(2) == 'abab'"));
}

TEST_F(GameTest, SaveLuaFile)
{
    start("");
    run("settings = nil saveLuaFile('settings', 'settings.lua', true)");
    EXPECT_EQ(appData.read("settings.lua"), "");
    run("scores = { best = 1234567, name = 'a\\nb' } saveLuaFile('scores', 'scores.lua', false)"
        "saveLuaFile('scores', 'scores.enc', true)");
    EXPECT_EQ(data.read("scores.lua").find("best = 1234567\n") != std::string::npos, true) << data.read("scores.lua");
    EXPECT_EQ(appData.read("scores.enc").size() % 16, 0u);
    delete app; // saves the (absent) settings again: an empty file
    app = nullptr;
    start("");
    EXPECT_TRUE(boolean("type(settings) == 'table' and next(settings) == nil"));
}

TEST_F(GameTest, LoadLuaFileToObjectAndFileChecks)
{
    start("");
    const std::string text = "answer = 42";
    data.write("extra.lua", lang::BlockCipher::encipher(game::scriptKey(), text.data(), 11).str());
    run("target = {} loadLuaFileToObject('extra.lua', target, 'extra')");
    EXPECT_EQ(number("target.extra.answer"), 42.0f);
    run("loadLuaFileToObject('missing.lua', target, 'extra')");
    EXPECT_EQ(number("target.extra.answer"), 42.0f); // unchanged
    EXPECT_NE(log.text().find("Unable to load lua file "), std::string::npos);
    EXPECT_THROW(run("loadLuaFileToObject('extra.lua', 'not a table', 'x')"), lua::LuaException);

    EXPECT_TRUE(boolean("checkForLuaFile('extra.lua') and not checkForLuaFile('missing.lua')"));
    EXPECT_FALSE(boolean("checkDirectory('')"));
    run("createDirectory('levels') createDirectory('levels')");
    struct stat info;
    EXPECT_EQ(stat((data / "levels").c_str(), &info), 0);
    run(("__found = checkDirectory('" + data.path() + "/levels')").c_str());
    EXPECT_TRUE(world().getBoolean("__found"));
}

TEST_F(GameTest, AnUnreadableSaveIsMovedAsideNotOverwritten)
{
    const std::string text = "audioEnabled = true\nvolume = 3\n";
    std::string damaged =
        lang::BlockCipher::encipher(game::saveKey(), text.data(), static_cast<int>(text.size())).str();
    damaged[3] = static_cast<char>(damaged[3] ^ 0x5a);
    appData.write("settings.lua", damaged);
    appData.write("highscores.lua", "while true do end"); // runs past the data budget
    for (int run = 0; run < 2; ++run) {
        log.clear();
        start("");
        EXPECT_TRUE(boolean("next(settings) == nil and next(highscores) == nil"));
        delete app;
        app = nullptr;
        if (run == 0) {
            const std::string path = appData / "settings.lua";
            EXPECT_NE(log.text().find("Unreadable " + path + " ("), std::string::npos) << log.text();
            EXPECT_NE(log.text().find("; moved it aside to " + path + ".unreadable\n"), std::string::npos);
            EXPECT_NE(log.text().find("ran past its budget"), std::string::npos);
        } else {
            EXPECT_EQ(log.text().find("Unreadable"), std::string::npos) << log.text(); // the new save reads
        }
    }
    EXPECT_EQ(appData.read("settings.lua.unreadable"), damaged);
    EXPECT_EQ(appData.read("highscores.lua.unreadable"), "while true do end");
    EXPECT_EQ(appData.read("settings.lua.unreadable-2"), "");
}
