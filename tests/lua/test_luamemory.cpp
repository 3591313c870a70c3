#include "LuaFixture.h"

#include "Failure.h"

#include <string>

namespace {

/// A chunk whose function fill(n) stores n fresh tables of `fields` fields, built by one
/// constructor, into the chunk-level local `keep`, and leaves in `peak` the largest heap
/// size in Kbytes that collectgarbage("count") showed on the way.
std::string filler(int fields)
{
    std::string constructor = "{";
    for (int k = 1; k <= fields; ++k)
        constructor += "f" + std::to_string(k) + " = i, ";
    constructor += "}";
    return "local keep\n"
           "function fill(n)\n"
           "  peak = 0\n"
           "  for i = 1, n do\n"
           "    keep = " + constructor + "\n"
           "    if i % 50 == 0 then peak = math.max(peak, collectgarbage('count')) end\n"
           "  end\n"
           "end\n";
}

} // namespace

// A table of 267 fields is some 20 Kbytes, made between two collector steps. Called after
// its chunk has returned, fill's `keep` is a closed upvalue, whose write barrier marks
// every new table: the collector once traversed only that table per step, never ended its
// cycle, and the heap grew by the whole 400 Mbytes the loop allocated.
TEST_F(LuaTest, FreshTablesInAClosedUpvalueAreCollectedDuringTheCall)
{
    run(filler(267).c_str());
    run("fill(20000)");
    EXPECT_LT(state->globals().getNumber("peak"), 4096.0f);
}

// The same from a coroutine, which runs on an interpreter thread of its own.
TEST_F(LuaTest, FreshTablesInAClosedUpvalueAreCollectedInsideACoroutine)
{
    run(filler(267).c_str());
    run("local worker = coroutine.wrap(function() fill(20000) end) worker()");
    EXPECT_LT(state->globals().getNumber("peak"), 4096.0f);
}

// A saved-settings file of twenty bytes asked the interpreter for a string of 512 Mbytes in
// one call, which no instruction count interrupts: the fuzzer's harness of the settings
// stalled for minutes and took the memory. A data chunk's allocations now stop at its budget.
TEST_F(LuaTest, DataChunkPastItsMemoryBudgetFailsNamingTheFile)
{
    lua::LuaTable settings(state.ptr());
    EXPECT_EQ(messageOf<lua::LuaException>([&] { state->runData("a = ('x'):rep(2^20):rep(64)", "settings.lua", &settings); }),
              "settings.lua: ran past its memory budget of 33554432 bytes");
    EXPECT_EQ(messageOf<lua::LuaException>(
                  [&] { state->runData("t = {} for i = 1, 1e7 do t[i] = i end", "level1.lua", &settings); }),
              "level1.lua: ran past its memory budget of 33554432 bytes");
    // Within the budget a data chunk runs, and the interpreter stays usable after a failure,
    // without the limit outside data chunks.
    state->runData("s = ('x'):rep(2^20)", "settings.lua", &settings);
    EXPECT_EQ(settings.getString("s").length(), 1 << 20);
    run("big = ('x'):rep(2^20) for i = 1, 6 do big = big .. big end");
    EXPECT_EQ(state->globals().getString("big").length(), 1 << 26);
}
