// Per-call costs of the script bridge: natives called from scripts and the per-frame
// publishing of key state into script tables.

#include "lua/LuaNames.h"
#include "lua/LuaObject.h"
#include "lua/LuaState.h"

#include <benchmark/benchmark.h>
#include <lua.h>

#include <string>
#include <vector>

using namespace lua;

namespace {

class Body : public LuaObject
{
public:
    explicit Body(LuaState* state) : LuaObject(state)
    {
        registerMethod("applyImpulse", this, &Body::applyImpulse);
        registerMethod("getX", this, &Body::getX);
        registerMethod("nothing", this, &Body::nothing);
    }
    void nothing() {}
    void applyImpulse(float x, float y, float z) { sum += x + y + z; }
    float getX() { return sum; }
    float sum = 0;
};

/// Times the script's loop(), which makes 1000 calls: items are calls.
void timeLoop(benchmark::State& s, LuaState& state, const char* loop)
{
    state.runString(loop, "bench");
    for (auto _ : s)
        state.globals().call("loop");
    s.SetItemsProcessed(s.iterations() * 1000);
}

/// The same with a Body as the global body.
void timeBodyLoop(benchmark::State& s, const char* loop)
{
    LuaState state;
    Body body(&state);
    state.globals().setObject("body", &body);
    timeLoop(s, state, loop);
}

} // namespace

/// One native call with three float arguments, from a script loop of 1000 calls.
static void NativeCallThreeFloats(benchmark::State& s)
{
    timeBodyLoop(s, "function loop() local f = body.applyImpulse for i = 1, 1000 do f(1, 2, 3) end end");
}
BENCHMARK(NativeCallThreeFloats);

/// The same loop calling nothing, to show what the loop itself costs.
static void ScriptLoopAlone(benchmark::State& s)
{
    LuaState state;
    timeLoop(s, state, "function loop() local f = function(a, b, c) end for i = 1, 1000 do f(1, 2, 3) end end");
}
BENCHMARK(ScriptLoopAlone);

/// A native that does nothing, beside the interpreter's own cost of calling a C function:
/// the difference is what the native wrapper adds to every call.
static void NativeCallNothing(benchmark::State& s)
{
    timeBodyLoop(s, "function loop() local f = body.nothing for i = 1, 1000 do f() end end");
}
BENCHMARK(NativeCallNothing);

static void PlainCFunctionCall(benchmark::State& s)
{
    LuaState state;
    lua_pushcfunction(state.interpreter(), [](lua_State*) { return 0; });
    lua_setglobal(state.interpreter(), "nothing");
    timeLoop(s, state, "function loop() local f = nothing for i = 1, 1000 do f() end end");
}
BENCHMARK(PlainCFunctionCall);

static void NativeGetter(benchmark::State& s)
{
    timeBodyLoop(s, "function loop() local x = 0 for i = 1, 1000 do x = body.getX() end end");
}
BENCHMARK(NativeGetter);

static void SetBooleanByName(benchmark::State& s)
{
    LuaState state;
    LuaTable table(&state);
    bool value = false;
    for (auto _ : s) {
        table.setBoolean("LBUTTON", value);
        value = !value;
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK(SetBooleanByName);

/// One frame's key state: 89 keys into keyPressed, keyReleased and keyHold.
static void PublishKeyFrame(benchmark::State& s)
{
    LuaState state;
    LuaTable pressed(&state), released(&state), hold(&state);
    std::vector<std::string> names;
    for (int i = 0; i < 89; ++i)
        names.push_back("KEY_NAME_" + std::to_string(i));
    int frame = 0;
    for (auto _ : s) {
        for (int i = 0; i < 89; ++i) {
            const char* name = names[static_cast<size_t>(i)].c_str();
            pressed.setBoolean(name, (i + frame) % 7 == 0);
            released.setBoolean(name, (i + frame) % 11 == 0);
            hold.setBoolean(name, (i + frame) % 3 == 0);
        }
        ++frame;
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK(PublishKeyFrame);

/// The same frame through names interned once.
static void PublishKeyFrameInterned(benchmark::State& s)
{
    LuaState state;
    LuaTable pressed(&state), released(&state), hold(&state);
    std::vector<std::string> names;
    for (int i = 0; i < 89; ++i)
        names.push_back("KEY_NAME_" + std::to_string(i));
    std::vector<const char*> pointers;
    for (const std::string& name : names)
        pointers.push_back(name.c_str());
    LuaNames keys(&state, pointers.data(), 89);
    bool p[89], r[89], h[89];
    int frame = 0;
    for (auto _ : s) {
        for (int i = 0; i < 89; ++i) {
            p[i] = (i + frame) % 7 == 0;
            r[i] = (i + frame) % 11 == 0;
            h[i] = (i + frame) % 3 == 0;
        }
        pressed.setBooleans(keys, p);
        released.setBooleans(keys, r);
        hold.setBooleans(keys, h);
        ++frame;
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK(PublishKeyFrameInterned);
