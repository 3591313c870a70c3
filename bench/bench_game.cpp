// One frame of the game world with 200 boxes settling on a static ground, beside a bare
// physics step of the same world, both per frame of 1/30 s.

#include "framework/Config.h"
#include "framework/OSInterface.h"
#include "game/GameApp.h"
#include "game/GameLua.h"
#include "gr/Context.h"
#include "lang/Debug.h"
#include "lua/LuaState.h"

#include <benchmark/benchmark.h>
#include <box2d/box2d.h>

#include <memory>
#include <string>

namespace {

const int kBoxes = 200;
const int kFramesPerScene = 45; // rebuilt before the boxes fall asleep

class NullContext : public gr::Context
{
public:
    NullContext() { resize(800, 600); }
    int kind() const override { return KIND_GL2; }
    void present() override {}
    void clear(uint32_t, bool, bool, bool) override {}
    void flipFrontFace() override {}

protected:
    void applyViewport(const int[4]) override {}
    void applyScissor(const int[4]) override {}
};

class NullOS : public framework::OSInterface
{
public:
    void setResolution(int, int) override {}
    void setFullScreenMode(bool) override {}
    void setCursor(const lang::String&) override {}
};

void quiet(const char*, void*)
{
}

/// Ten columns of boxes over a ground, through the game world's natives.
const char* kScene = "objects.world = {}\n"
                     "createBox('ground', '', 0, 20, 200, 1, 0, 0.8, 0.1, true, false, 1)\n"
                     "for i = 0, 199 do\n"
                     "  createBox('box' .. i, '', (i % 10) * 1.5 - 7, 18 - math.floor(i / 10) * 1.1, 1, 1, 1, 0.6, 0.1,"
                     " true, false, 2)\n"
                     "end\n"
                     "setLevelLimits(-100, 0, 100, 0)\n"
                     "setPhysicsEnabled(true)\n";

void buildBare(b2World& world)
{
    auto body = [&](float x, float y, float density, float hw, float hh) {
        b2BodyDef def;
        def.type = density != 0 ? b2_dynamicBody : b2_staticBody;
        def.position.Set(x, y);
        def.angularDamping = 1.0f;
        b2Body* b = world.CreateBody(&def);
        b2PolygonShape box;
        box.SetAsBox(hw, hh);
        box.m_radius = 0.1f;
        b2FixtureDef fixture;
        fixture.shape = &box;
        fixture.density = density;
        fixture.friction = density != 0 ? 0.6f : 0.8f;
        fixture.restitution = 0.1f;
        b->CreateFixture(&fixture);
    };
    body(0, 20, 0, 100, 0.5f);
    for (int i = 0; i < kBoxes; ++i)
        body((i % 10) * 1.5f - 7, 18 - (i / 10) * 1.1f, 1, 0.5f, 0.5f);
}

} // namespace

static void GameWorldFrame(benchmark::State& s)
{
    lang::setLogSink(&quiet, nullptr);
    NullOS os;
    lang::Ptr<NullContext> context = new NullContext;
    framework::Config::current() = framework::Config();
    std::unique_ptr<game::GameApp> app(new game::GameApp(&os, context.ptr()));
    int frame = 0;
    for (auto _ : s) {
        if (frame++ % kFramesPerScene == 0) {
            s.PauseTiming();
            app.reset();
            app.reset(new game::GameApp(&os, context.ptr()));
            app->luaState()->runString(kScene, "scene", app->world());
            s.ResumeTiming();
        }
        app->world()->update(1.0f / 30.0f);
    }
    app.reset();
    lang::setLogSink(nullptr, nullptr);
}
BENCHMARK(GameWorldFrame)->Unit(benchmark::kMicrosecond);

static void BareStep(benchmark::State& s)
{
    std::unique_ptr<b2World> world;
    int frame = 0;
    for (auto _ : s) {
        if (frame++ % kFramesPerScene == 0) {
            s.PauseTiming();
            world.reset(new b2World(b2Vec2(0, 20)));
            buildBare(*world);
            s.ResumeTiming();
        }
        world->Step(1.0f / 30.0f, 10, 10);
        world->ClearForces();
    }
}
BENCHMARK(BareStep)->Unit(benchmark::kMicrosecond);
