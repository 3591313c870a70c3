#include "framework/Config.h"
#include "io/IOException.h"
#include "lua/LuaException.h"

#include "LogCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using framework::Config;
using lang::String;

namespace {

Config readConfig(const std::string& text)
{
    TempDir dir;
    dir.write("config.lua", text);
    Config config;
    config.read(String(dir / "config.lua"), "");
    return config;
}

} // namespace

TEST(Config, TakesEachKeyOnlyWithItsType)
{
    LogCapture quiet;
    Config c = readConfig("datapath = 'data/' name = 5 width = 1024.9 height = '700' framerate = 60\n"
                          "fullscreen = 1 showCursor = false orientation = 45 isBetaVersion = true\n"
                          "deviceModel = 'roku' singleton = 'yes' scriptPath = 'scripts' publisher = 'P' product = 'Q'");
    EXPECT_EQ(c.dataPath, "data/");
    EXPECT_EQ(c.name, "5");
    EXPECT_EQ(c.width, 1024);
    EXPECT_EQ(c.height, 700);
    EXPECT_EQ(c.frameRate, 60);
    EXPECT_FALSE(c.fullScreen); // the number 1 is not a boolean
    EXPECT_FALSE(c.showCursor);
    EXPECT_EQ(c.orientation, 0);
    EXPECT_TRUE(c.isBetaVersion);
    EXPECT_EQ(c.deviceModel, "roku");
    EXPECT_FALSE(c.singleton);
    EXPECT_EQ(c.scriptPath, "scripts");
    EXPECT_EQ(c.publisher, "P");
    EXPECT_EQ(c.product, "Q");
    EXPECT_TRUE(c.renderers.isEmpty());
}

TEST(Config, DeveloperModeOnlyFromABoolean)
{
    LogCapture quiet;
    EXPECT_FALSE(readConfig("name = 'x'").developer);
    EXPECT_TRUE(readConfig("developer = true").developer);
    // A shipped game must not fall into developer mode through a value that merely looks true.
    EXPECT_FALSE(readConfig("developer = 'true'").developer);
    EXPECT_FALSE(readConfig("developer = 1").developer);
}

TEST(Config, AFrameRateOfZeroIsToldApartFromNone)
{
    LogCapture quiet;
    // 0 asks for no cap and no vsync; a missing key leaves the vsync pacing.
    EXPECT_EQ(readConfig("name = 'x'").frameRate, -1);
    EXPECT_EQ(readConfig("framerate = 0").frameRate, 0);
    EXPECT_EQ(readConfig("framerate = '0'").frameRate, 0);
    EXPECT_EQ(readConfig("framerate = 30").frameRate, 30);
    EXPECT_EQ(readConfig("framerate = 'fast'").frameRate, -1);
}

TEST(Config, OrientationsAndRenderers)
{
    LogCapture quiet;
    EXPECT_EQ(readConfig("orientation = 90").orientation, 1);
    EXPECT_EQ(readConfig("orientation = 180").orientation, 2);
    EXPECT_EQ(readConfig("orientation = 270").orientation, 3);
    Config c = readConfig("renderer = { 'dx', 'bogus', 'gl2', 'gl1' }");
    ASSERT_EQ(c.renderers.size(), 3);
    EXPECT_EQ(c.renderers[0], 0);
    EXPECT_EQ(c.renderers[1], 7);
    EXPECT_EQ(c.renderers[2], 6);
    EXPECT_EQ(readConfig("renderer = { 'gl1', nil, 'gl2' }").renderers.size(), 1);
    // The preload list: its texts, up to the first that isn't one.
    c = readConfig("preload = { 'a.png', 'sprites/b.png', true, 'c.png' }");
    ASSERT_EQ(c.preload.size(), 2);
    EXPECT_EQ(c.preload[1], "sprites/b.png");
    EXPECT_TRUE(readConfig("preload = 'a.png'").preload.isEmpty());
}

TEST(Config, OnlyAssignmentsCanRun)
{
    LogCapture quiet;
    EXPECT_THROW(readConfig("width = math.floor(3.5)"), lua::LuaException); // no library reachable
    EXPECT_THROW(readConfig("width = = 3"), lua::LuaException);
    Config c;
    EXPECT_THROW(c.read("/nonexistent/config.lua", ""), io::IOException);
}
