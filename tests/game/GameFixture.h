#pragma once

#include "DrawingContext.h"
#include "LogCapture.h"
#include "TempDir.h"

#include "framework/Config.h"
#include "framework/Framework.h"
#include "framework/OSInterface.h"
#include "game/CipherKeys.h"
#include "game/GameApp.h"
#include "game/GameLua.h"
#include "gr/Context.h"
#include "io/AppData.h"
#include "lang/BlockCipher.h"
#include "lua/LuaException.h"
#include "lua/LuaState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

/// A context without a window: it counts presents and clears, and records what is drawn.
class FakeContext : public DrawingContext
{
public:
    FakeContext(int width, int height) : DrawingContext(width, height) {}
    void present() override { ++presents; }
    void clear(uint32_t argb, bool, bool, bool) override { lastClear = argb; }
    int presents = 0;
    uint32_t lastClear = 0;
};

/// The OS side, recording what the game asks of it.
class FakeOS : public framework::OSInterface
{
public:
    void setResolution(int width, int height) override { resolutions.push_back({width, height}); }
    void setFullScreenMode(bool on) override { framework::FrameState::current().fullScreen = on; }
    void setCursor(const lang::String&) override {}
    std::vector<std::pair<int, int>> resolutions;
};

/// A data directory of enciphered start-up scripts.
class GameData
{
public:
    TempDir data;

    /// Writes scripts/<name> enciphered with the script key.
    void script(const std::string& name, const std::string& text)
    {
        lang::String cipher = lang::BlockCipher::encipher(game::scriptKey(), text.data(), static_cast<int>(text.size()));
        std::system(("mkdir -p '" + data.path() + "/scripts'").c_str());
        data.write("scripts/" + name, cipher.str());
    }
    /// Starts a game on the data directory; gamelogic.lua is the given text, the other
    /// start-up scripts are empty unless written before.
    game::GameApp* startGame(framework::OSInterface* os, gr::Context* context, const std::string& gamelogic)
    {
        for (const char* name : {"starLimits.lua", "loadlist.lua", "blocks.lua", "particles.lua"})
            if (data.read(std::string("scripts/") + name).empty())
                script(name, "");
        script("gamelogic.lua", gamelogic);
        framework::Config& config = framework::Config::current();
        config = framework::Config();
        config.dataPath = data.path() + "/";
        config.scriptPath = "scripts";
        return new game::GameApp(os, context);
    }
};

/// A GameApp on a data directory, over a context without a window.
class GameTest : public ::testing::Test, public GameData
{
protected:
    LogCapture log;
    TempDir appData;
    FakeOS os;
    lang::Ptr<FakeContext> context = new FakeContext(480, 320);
    game::GameApp* app = nullptr;

    void SetUp() override
    {
        framework::FrameState::current() = framework::FrameState();
        io::setApplicationDataPath(lang::String(appData.path()));
    }
    void TearDown() override
    {
        delete app;
        io::setApplicationDataPath(lang::String());
    }

    void start(const std::string& gamelogic = "") { app = startGame(&os, context.ptr(), gamelogic); }
    game::GameLua& world() { return *app->world(); }
    void run(const std::string& code) { app->luaState()->runString(code.c_str(), "test.lua", app->world()); }
    float number(const char* code)
    {
        run(std::string("__result = ") + code);
        return world().getNumber("__result");
    }
    bool boolean(const char* code)
    {
        run(std::string("__result = ") + code);
        return world().getBoolean("__result");
    }
    void frame(float dt) { app->update(dt, context.ptr(), 3); }
};
