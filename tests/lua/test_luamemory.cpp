#include "LuaFixture.h"

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
