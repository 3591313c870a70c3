// One frame of the game world with 200 boxes settling on a static ground, beside a bare
// physics step of the same world, both per frame of 1/30 s; the whole application frame of
// that world with developer mode off and on (its file watcher running, no file changing);
// and the CPU side of drawing a busy level (theme layers, 300 bodies, six trails, 500
// particles) with its draw calls.

#include "ResourceWriters.h"
#include "framework/Config.h"
#include "framework/OSInterface.h"
#include "game/CipherKeys.h"
#include "game/GameApp.h"
#include "game/GameLua.h"
#include "gr/Context.h"
#include "io/AppData.h"
#include "lang/BlockCipher.h"
#include "lang/Debug.h"
#include "lua/LuaState.h"

#include <benchmark/benchmark.h>
#include <box2d/box2d.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

/// A scratch application-data directory for one benchmark: the game saves settings.lua at
/// exit, and nothing may land in the working directory (a checkout, usually).
class ScratchAppData
{
public:
    ScratchAppData()
    {
        char pattern[] = "/tmp/pelterra-appdata-XXXXXX";
        m_dir = mkdtemp(pattern);
        io::setApplicationDataPath(lang::String(m_dir));
    }
    ~ScratchAppData()
    {
        io::setApplicationDataPath(lang::String());
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

private:
    std::string m_dir;
};

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

/// Images are stand-ins of the atlas's size; batches are counted, not drawn.
class CountingContext : public NullContext
{
public:
    int draws = 0;
    long quads = 0;

protected:
    class Atlas : public gr::Texture
    {
    public:
        int width() const override { return 512; }
        int height() const override { return 512; }
        gr::PixelFormat format() const override { return gr::PixelFormat::A8B8G8R8; }
        int mipLevels() const override { return 0; }
        void setSurface(int, int, const void*, int, int, int, int, gr::PixelFormat::Type) override {}
    };
    lang::Ptr<gr::Texture> loadTextureFile(const lang::String&, bool) override { return new Atlas; }
    void drawBatch(gr::Batch2D& batch) override
    {
        ++draws;
        quads += batch.vertexCount() / 4;
    }
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

/// A game application over the null platform and context, with the default configuration and
/// the log silenced while it lives: what the in-process benchmarks start from.
struct NullGame
{
    ScratchAppData appData;
    NullOS os;
    lang::Ptr<NullContext> context = new NullContext;
    std::unique_ptr<game::GameApp> app;

    NullGame()
    {
        lang::setLogSink(&quiet, nullptr);
        framework::Config::current() = framework::Config();
        restart();
    }
    ~NullGame()
    {
        app.reset();
        lang::setLogSink(nullptr, nullptr);
    }
    void restart()
    {
        app.reset();
        app.reset(new game::GameApp(&os, context.ptr()));
    }
};

static void GameWorldFrame(benchmark::State& s)
{
    NullGame bench;
    std::unique_ptr<game::GameApp>& app = bench.app;
    int frame = 0;
    for (auto _ : s) {
        if (frame++ % kFramesPerScene == 0) {
            s.PauseTiming();
            bench.restart();
            app->luaState()->runString(kScene, "scene", app->world());
            s.ResumeTiming();
        }
        app->world()->update(1.0f / 30.0f);
    }
}
BENCHMARK(GameWorldFrame)->Unit(benchmark::kMicrosecond);

namespace {

/// A data directory whose enciphered start-up scripts make the boxes of kScene in
/// createStartUpAssets and draw the world each frame: a game that runs with developer mode
/// off as well as on.
std::string sceneGame()
{
    char pattern[] = "/tmp/pelterra-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    std::system(("mkdir -p '" + dir + "/scripts'").c_str());
    const std::string gamelogic = std::string("function createStartUpAssets()\n") + kScene +
                                  "end\nfunction update(dt) drawGameNative() end\n";
    for (const char* name : {"starLimits.lua", "loadlist.lua", "blocks.lua", "particles.lua", "gamelogic.lua"}) {
        const std::string text = std::string(name) == "gamelogic.lua" ? gamelogic : std::string();
        const lang::String cipher =
            lang::BlockCipher::encipher(game::scriptKey(), text.data(), static_cast<int>(text.size()));
        std::ofstream(dir + "/scripts/" + name, std::ios::binary) << cipher.str();
    }
    return dir;
}

std::unique_ptr<game::GameApp> startScene(framework::OSInterface* os, gr::Context* context, const std::string& dir,
                                          bool developer)
{
    framework::Config& config = framework::Config::current();
    config = framework::Config();
    config.dataPath = dir + "/";
    config.scriptPath = "scripts";
    config.developer = developer;
    return std::unique_ptr<game::GameApp>(new game::GameApp(os, context));
}

} // namespace

// What developer mode adds to a frame when nothing is saved: the look for saved files, the
// figures of the statistics overlay (kept even while it is hidden) and the console's and
// replay's checks. Arg 0 is developer mode off, 1 on.
static void AppFrame(benchmark::State& s)
{
    lang::setLogSink(&quiet, nullptr);
    setenv("PELTERRA_NO_DIALOGS", "1", 1);
    ScratchAppData appData;
    const std::string dir = sceneGame();
    const bool developer = s.range(0) != 0;
    NullOS os;
    lang::Ptr<NullContext> context = new NullContext;
    std::unique_ptr<game::GameApp> app;
    int frame = 0;
    for (auto _ : s) {
        if (frame++ % kFramesPerScene == 0) {
            s.PauseTiming();
            app.reset();
            app = startScene(&os, context.ptr(), dir, developer);
            const bool started = app->developerMode() == developer && !app->errorScreen() &&
                                 app->world()->physics().objects().size() == kBoxes + 1;
            if (!started) {
                s.SkipWithError("the scene did not start as it should");
                break;
            }
            s.ResumeTiming();
        }
        // The frame alone: the watcher's thread starting and stopping around a rebuild would
        // count in the wall time even with the timing paused.
        const auto start = std::chrono::steady_clock::now();
        app->update(1.0f / 30.0f, context.ptr(), 3);
        s.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    app.reset();
    std::system(("rm -rf '" + dir + "'").c_str());
    lang::setLogSink(nullptr, nullptr);
}
// The process's CPU time: the file watcher's thread counts too.
BENCHMARK(AppFrame)
    ->ArgName("developer")
    ->Arg(0)
    ->Arg(1)
    ->MeasureProcessCPUTime()
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

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

namespace {

/// A level's worth of drawing: two background layers, a foreground layer, 300 bodies of
/// three sprites from one atlas, six trails of 40 points and 500 particles.
const char* kLevel = "res.createSpriteSheet('level.dat')\n"
                     "blockTable = { themes = { hills = { color = { r = 90, g = 160, b = 220 },\n"
                     "  groundColor = { r = 60, g = 40, b = 20 },\n"
                     "  bgLayers = { { 'sky', 'SKY' }, { 'hills', 'HILLS', 0.5, 1.5 } }, fgLayers = { { 'grass', 'GRASS' } } } } }\n"
                     "particleTable = { particles = { dust = { sprites = { 'DUST' }, sheet = 'level', lifeTime = 5,\n"
                     "  minScaleBegin = 1, maxScaleBegin = 2, minScaleEnd = 1, maxScaleEnd = 2 } } }\n"
                     "objects.world = {}\n"
                     "createBox('ground', 'BLOCK', 20, 0, 40, 1, 0, 0.8, 0.1, true, false, 1)\n"
                     "local sprites = { 'BLOCK', 'STONE', 'BARREL' }\n"
                     "for i = 0, 298 do\n"
                     "  createBox('box' .. i, sprites[i % 3 + 1], (i % 30) * 1.2, -1 - math.floor(i / 30), 1, 1, 1, 0.6, 0.1,"
                     " true, false, 2)\n"
                     "end\n"
                     "setTheme('hills') setTopLeft(0, -500)\n"
                     "for shot = 1, 2 do startNewTrajectory() for slot = 0, 2 do for p = 1, 40 do\n"
                     "  addToTrajectory(slot, p * 15, -200 - slot * 30) end end end\n"
                     "particles.setSoftLimit(1000, 0.5) particles.setHardLimit(1000)\n"
                     "particles.addParticles('dust', 500, 400, -200, 600, 300, 0)\n";

std::string levelData()
{
    char pattern[] = "/tmp/pelterra-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    voxa::SpriteSheetData sheet;
    sheet.image = "level.png";
    sheet.sprites = {{"SKY", 0, 0, 256, 128, 0, 128},  {"HILLS", 0, 128, 256, 64, 0, 64}, {"GRASS", 256, 0, 128, 32, 0, 8},
                     {"BLOCK", 256, 64, 20, 20, 10, 10}, {"STONE", 276, 64, 20, 20, 10, 10}, {"BARREL", 296, 64, 20, 20, 10, 10},
                     {"DUST", 316, 64, 8, 8, 4, 4},    {"TRAIL_WHITE_1", 324, 64, 6, 6, 3, 3},
                     {"TRAIL_WHITE_2", 330, 64, 5, 5, 2, 2}, {"TRAIL_WHITE_3", 336, 64, 4, 4, 2, 2}};
    const std::vector<uint8_t> bytes = voxa::writeSpriteSheet(sheet);
    std::ofstream(dir + "/level.dat", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    return dir;
}

} // namespace

static void LevelDrawFrame(benchmark::State& s)
{
    lang::setLogSink(&quiet, nullptr);
    setenv("PELTERRA_NO_DIALOGS", "1", 1);
    ScratchAppData appData;
    const std::string dir = levelData();
    NullOS os;
    lang::Ptr<CountingContext> context = new CountingContext;
    framework::Config::current() = framework::Config();
    framework::Config::current().dataPath = dir + "/";
    std::unique_ptr<game::GameApp> app(new game::GameApp(&os, context.ptr()));
    app->luaState()->runString(kLevel, "level", app->world());
    game::GameLua& world = *app->world();
    context->draws = 0;
    context->quads = 0;
    for (auto _ : s) {
        world.drawBackgroundNative();
        world.drawGameNative();
        world.drawForegroundNative();
        context->flush();
    }
    s.counters["draws_per_frame"] = static_cast<double>(context->draws) / static_cast<double>(s.iterations());
    s.counters["quads_per_frame"] = static_cast<double>(context->quads) / static_cast<double>(s.iterations());
    app.reset();
    std::system(("rm -rf '" + dir + "'").c_str());
    lang::setLogSink(nullptr, nullptr);
}
BENCHMARK(LevelDrawFrame)->Unit(benchmark::kMicrosecond);

// One call of a game native from a script loop of 1000 calls, so the time per iteration in
// microseconds is the time per call in nanoseconds. Arg 0: an empty native of no arguments
// (drawSome); 1: a boolean getter of no arguments (isPhysicsEnabled); 2: getAngle on an
// existing body (one text argument, a number back); 3: the loop calling an empty script
// function, what the loop itself costs.
static void ScriptNativeCall(benchmark::State& s)
{
    NullGame bench;
    std::unique_ptr<game::GameApp>& app = bench.app;
    app->luaState()->runString("objects.world = {}\n"
                               "createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)\n"
                               "function __bench0() local f = drawSome for i = 1, 1000 do f() end end\n"
                               "function __bench1() local f = isPhysicsEnabled for i = 1, 1000 do f() end end\n"
                               "function __bench2() local f = getAngle for i = 1, 1000 do f('crate') end end\n"
                               "function __bench3() local f = function() end for i = 1, 1000 do f() end end\n",
                               "bench", app->world());
    const std::string name = "__bench" + std::to_string(s.range(0));
    for (auto _ : s)
        app->world()->call(name.c_str());
    s.SetItemsProcessed(s.iterations() * 1000);
}
BENCHMARK(ScriptNativeCall)->ArgName("native")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

namespace {

/// A pyramid of 200 boxes, rows of 20 down to 5, on a static ground.
const char* kPyramid = "objects.world = {}\n"
                       "createBox('ground', '', 0, 20, 200, 1, 0, 0.8, 0.1, true, false, 1)\n"
                       "local n = 0\n"
                       "for row = 0, 15 do\n"
                       "  local count = 20 - row\n"
                       "  for i = 0, count - 1 do\n"
                       "    createBox('box' .. n, '', (i - (count - 1) / 2) * 1.05, 18.95 - row * 1.02, 1, 1, 1, 0.6, 0.1,"
                       " true, false, 2)\n"
                       "    n = n + 1\n"
                       "  end\n"
                       "end\n"
                       "setLevelLimits(-100, 0, 100, 0)\n"
                       "setPhysicsEnabled(true)\n";

} // namespace

// One fixed step of 1/30 s of the 200-box pyramid once every box has fallen asleep: what the
// step costs a level that has come to rest.
static void AsleepStep(benchmark::State& s)
{
    NullGame bench;
    std::unique_ptr<game::GameApp>& app = bench.app;
    app->luaState()->runString(kPyramid, "pyramid", app->world());
    game::GameLua& world = *app->world();
    // hasAwakeObjects() is what the last frame published: a frame must run before it tells.
    int frame = 0;
    do
        world.update(1.0f / 30.0f);
    while (world.physics().hasAwakeObjects() && ++frame < 3000);
    if (world.physics().hasAwakeObjects() || world.physics().objects().size() != 201) {
        s.SkipWithError("the pyramid did not come to rest");
        return;
    }
    for (auto _ : s)
        world.physics().step(1.0f / 30.0f);
}
BENCHMARK(AsleepStep)->Unit(benchmark::kMicrosecond);
