#pragma once

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

/// A context that draws nothing: the game layer's logic needs only its sizes.
class FakeContext : public gr::Context
{
public:
    FakeContext(int width, int height) { resize(width, height); }
    int kind() const override { return KIND_GL2; }
    void present() override { ++presents; }
    void clear(uint32_t argb, bool, bool, bool) override { lastClear = argb; }
    void flipFrontFace() override {}
    int presents = 0;
    uint32_t lastClear = 0;

protected:
    void applyViewport(const int[4]) override {}
    void applyScissor(const int[4]) override {}
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

/// A data directory of enciphered start-up scripts, and a GameApp made on it.
class GameTest : public ::testing::Test
{
protected:
    LogCapture log;
    TempDir data;
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

    /// Writes scripts/<name> enciphered with the script key.
    void script(const std::string& name, const std::string& text)
    {
        lang::String cipher = lang::BlockCipher::encipher(game::scriptKey(), text.data(), static_cast<int>(text.size()));
        std::system(("mkdir -p '" + data.path() + "/scripts'").c_str());
        data.write("scripts/" + name, cipher.str());
    }
    /// Starts the game on the data directory; gamelogic.lua is the given text.
    void start(const std::string& gamelogic = "")
    {
        for (const char* name : {"starLimits.lua", "loadlist.lua", "blocks.lua", "particles.lua"})
            if (data.read(std::string("scripts/") + name).empty())
                script(name, "");
        script("gamelogic.lua", gamelogic);
        framework::Config& config = framework::Config::current();
        config = framework::Config();
        config.dataPath = data.path() + "/";
        config.scriptPath = "scripts";
        app = new game::GameApp(&os, context.ptr());
    }
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
