#include "LuaFixture.h"

#include "io/IOException.h"
#include "lua/LuaObject.h"
#include "lua/NativeCall.h"

#include <lua.h>

#include <stdexcept>
#include <string_view>

using lua::LuaException;
using lua::LuaObject;
using lua::LuaState;
using lua::LuaTable;
using lua::NativeCall;
using lang::String;

namespace {

/// Natives as a game registers them, called from coroutines as well as from the main thread.
class Natives : public LuaObject
{
public:
    explicit Natives(LuaState* state) : LuaObject(state)
    {
        registerMethod("add3", this, &Natives::add3);
        registerMethod("openFile", this, &Natives::openFile);
        registerMethod("failStd", this, &Natives::failStd);
        registerMethod("label", this, &Natives::label);
        registerMethod("describe", this, &Natives::describe);
        registerMethod("size", this, &Natives::size);
        registerMethod("results", this, &Natives::results);
        registerMethod("length", this, &Natives::length);
        registerMethod("viewed", this, &Natives::viewed);
        state->globals().setObject("n", this);
    }

    float add3(float a, float b, float c) { return a + b + c; }
    void openFile(String name) { throw io::IOException(lang::Format("Failed to open {0}", name)); }
    void failStd() { throw std::runtime_error("standard failure"); }

    /// label(number, text [, table]): text .. "!", number * 2, the argument count, and the
    /// table's field n (or -1).
    int label(NativeCall& call)
    {
        const float number = call.getNumber(1);
        call.push(call.getString(2) + "!");
        call.push(number * 2);
        call.push(static_cast<float>(call.count()));
        call.push(call.type(3) == LuaState::TYPE_TABLE ? call.getTable(3).getNumber("n") : -1.0f);
        return 4;
    }

    /// describe(...): for each argument and the one past them, its type name, "#" when it
    /// reads as a number, and whether numberOr gives it or the fallback.
    int describe(NativeCall& call)
    {
        String text;
        for (int position = 1; position <= call.count() + 1; ++position) {
            text = text + LuaState::typeName(call.type(position)) + (call.isNumber(position) ? "#" : "") +
                   (call.numberOr(position, -1.5f) == -1.5f ? "- " : "+ ");
        }
        call.push(text);
        return 1;
    }

    /// size(table): the table's pair count; the strict table getter.
    int size(NativeCall& call)
    {
        call.push(static_cast<float>(call.getTable(1).count()));
        return 1;
    }

    /// results(): one of each kind of result, the kept table last.
    int results(NativeCall& call)
    {
        call.push(1.5f);
        call.push(true);
        call.push(String("text"));
        call.push("literal");
        call.pushNil();
        call.push(LuaTable());
        call.push(kept);
        return 7;
    }

    /// length(text): the bytes of a text taken as a view.
    float length(std::string_view text)
    {
        seen = text.data();
        return static_cast<float>(text.size());
    }
    /// viewed(number, text): the text's bytes, through the raw call's view.
    int viewed(NativeCall& call)
    {
        const std::string_view text = call.getText(2);
        seen = text.data();
        call.push(String(text.data(), static_cast<int>(text.size())) + "?");
        return 1;
    }

    LuaTable kept;
    const char* seen = nullptr; ///< where the last view pointed
};

/// The text the script stored in the global name.
std::string global(LuaState* state, const char* name)
{
    return state->globals().getString(name).str();
}

} // namespace

TEST_F(LuaTest, TypeErrorsInACoroutineComeFromItsStack)
{
    Natives natives(state.ptr());
    run("function inner(a) n.add3(1, a, 3) end\n"
        "co = coroutine.create(function(a)\n"
        "  inner(a)\n"
        "end)\n"
        "ok, message = coroutine.resume(co, 'x')");
    EXPECT_FALSE(state->globals().getBoolean("ok"));
    EXPECT_EQ(global(state.ptr(), "message"),
              "add3: Excepted type NUMBER at stack position 2 but found STRING\nCall stack:\ntest.lua(1)\ntest.lua(3)\n(end)\n");

    // The main thread holds the coroutine at position 1 while it runs: the found type is the
    // coroutine's.
    run("co = coroutine.create(function() return n.add3({}, 1, 2) end)\n"
        "ok, message = coroutine.resume(co)");
    EXPECT_EQ(global(state.ptr(), "message"),
              "add3: Excepted type NUMBER at stack position 1 but found TABLE\nCall stack:\ntest.lua(1)\n(end)\n");

    // Not caught by the script: it leaves the engine's call as the type error itself, not as
    // one the wrapper's line was put before.
    EXPECT_EQ(failure("w = coroutine.wrap(function()\n"
                      "  n.add3(1, 2, true)\n"
                      "end)\n"
                      "w()"),
              "add3: Excepted type NUMBER at stack position 3 but found BOOLEAN\nCall stack:\ntest.lua(2)\n(end)\n");
}

TEST_F(LuaTest, ErrorInACoroutineCarriesItsMessageAndItsOwnCallStack)
{
    run("local function inner() error('x') end\n"
        "co = coroutine.create(function()\n"
        "  inner()\n"
        "end)\n"
        "ok, message = coroutine.resume(co)");
    EXPECT_FALSE(state->globals().getBoolean("ok"));
    EXPECT_EQ(global(state.ptr(), "message"), "x\nCall stack:\ntest.lua(1)\ntest.lua(3)\n(end)\n");

    run("co = coroutine.create(function() coroutine.yield(1) error() end)\n"
        "first, one = coroutine.resume(co)\n"
        "second, message = coroutine.resume(co)");
    EXPECT_TRUE(state->globals().getBoolean("first"));
    EXPECT_EQ(state->globals().getNumber("one"), 1.0f);
    EXPECT_FALSE(state->globals().getBoolean("second"));
    EXPECT_EQ(global(state.ptr(), "message"), "error called without a message\nCall stack:\ntest.lua(1)\n(end)\n");

    EXPECT_EQ(failure("local function inner() error('y') end\n"
                      "local w = coroutine.wrap(function() inner() end)\n"
                      "w()"),
              "y\nCall stack:\ntest.lua(1)\ntest.lua(2)\n(end)\n");
}

TEST_F(LuaTest, NativeCallReadsTheCallingThread)
{
    Natives natives(state.ptr());
    natives.kept = LuaTable(state.ptr());
    natives.kept.setNumber("k", 7);
    natives.kept.setNumber(1, 9);
    // The main thread holds other values at positions 1 and 2 (the coroutine, nothing).
    run("co = coroutine.create(function(a, b)\n"
        "  local text, double, count, field = n.label(a, b, {n = 5})\n"
        "  local again = coroutine.yield(text, double, count, field)\n"
        "  return n.label(again, 'second')\n"
        "end)\n"
        "ok, text, double, count, field = coroutine.resume(co, 4, 'k')\n"
        "ok2, text2, double2, count2, field2 = coroutine.resume(co, 0.75)");
    EXPECT_TRUE(state->globals().getBoolean("ok"));
    EXPECT_EQ(global(state.ptr(), "text"), "k!");
    EXPECT_EQ(state->globals().getNumber("double"), 8.0f);
    EXPECT_EQ(state->globals().getNumber("count"), 3.0f);
    EXPECT_EQ(state->globals().getNumber("field"), 5.0f);
    EXPECT_TRUE(state->globals().getBoolean("ok2"));
    EXPECT_EQ(global(state.ptr(), "text2"), "second!");
    EXPECT_EQ(state->globals().getNumber("double2"), 1.5f);
    EXPECT_EQ(state->globals().getNumber("count2"), 2.0f);
    EXPECT_EQ(state->globals().getNumber("field2"), -1.0f);

    run("co = coroutine.wrap(function() return n.results() end)\n"
        "local a, b, c, d, e, f, g = co()\n"
        "assert(a == 1.5 and b == true and c == 'text' and d == 'literal')\n"
        "assert(e == nil and f == nil and g.k == 7 and g[1] == 9)\n"
        "w = coroutine.wrap(function(t) return n.size(t) end)\n"
        "assert(w({1, 2, x = 3}) == 3)");

    // A string that reads as a number is one for isNumber, but not for numberOr.
    run("d = coroutine.wrap(function() return n.describe(2, '3', 'x', nil, true) end)()");
    EXPECT_EQ(global(state.ptr(), "d"), "NUMBER#+ STRING#- STRING- NIL- BOOLEAN- INVALID- ");

    run("ok, message = coroutine.resume(coroutine.create(function() n.label(1, 2) end))");
    EXPECT_EQ(global(state.ptr(), "message"),
              "label: Excepted type STRING at stack position 2 but found NUMBER\nCall stack:\ntest.lua(1)\n(end)\n");
    run("ok, message = coroutine.resume(coroutine.create(function() n.size() end))");
    EXPECT_EQ(global(state.ptr(), "message"),
              "size: Excepted type TABLE at stack position 1 but found INVALID\nCall stack:\ntest.lua(1)\n(end)\n");
}

TEST_F(LuaTest, NativeCallOnTheMainThread)
{
    Natives natives(state.ptr());
    run("text, double, count, field = n.label(1.25, 'a', {n = 'no number'})");
    EXPECT_EQ(global(state.ptr(), "text"), "a!");
    EXPECT_EQ(state->globals().getNumber("double"), 2.5f);
    EXPECT_EQ(state->globals().getNumber("count"), 3.0f);
    EXPECT_EQ(state->globals().getNumber("field"), 0.0f);
    EXPECT_EQ(failure("n.label('1', 'a')"),
              "label: Excepted type NUMBER at stack position 1 but found STRING\nCall stack:\ntest.lua(1)\n(end)\n");
    EXPECT_EQ(failure("\nn.label(1)"),
              "label: Excepted type STRING at stack position 2 but found INVALID\nCall stack:\ntest.lua(2)\n(end)\n");
    run("d = n.describe()");
    EXPECT_EQ(global(state.ptr(), "d"), "INVALID- ");
}

TEST_F(LuaTest, EngineExceptionsLeaveCoroutinesAsThemselves)
{
    Natives natives(state.ptr());
    run("function open(name) n.openFile(name) end");
    try {
        run("coroutine.wrap(function() open('co.dat') end)()");
        FAIL() << "no exception";
    } catch (const io::IOException& e) {
        EXPECT_EQ(e.getMessage(), "Failed to open co.dat");
    }
    // A coroutine in a coroutine, each left by its wrapper's error.
    try {
        run("local outer = coroutine.wrap(function()\n"
            "  local inner = coroutine.wrap(function() coroutine.yield() n.failStd() end)\n"
            "  inner()\n"
            "  coroutine.yield()\n"
            "  inner()\n"
            "end)\n"
            "outer()\n"
            "outer()");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "standard failure");
    }
    // Caught by the script through resume, it ends there.
    run("ok, message = coroutine.resume(coroutine.create(function() open('kept.dat') end))");
    EXPECT_FALSE(state->globals().getBoolean("ok"));
    EXPECT_EQ(global(state.ptr(), "message"), "Failed to open kept.dat");
    run("x = 1");
    // Only a line position may stand before the native's text: anything else makes it the
    // script's own error.
    EXPECT_EQ(failure("local ok, m = pcall(n.openFile, 'y.dat') assert(false, 'not: ' .. m)"),
              "test.lua:1: not: Failed to open y.dat\nCall stack:\n[C](-1)\ntest.lua(1)\n(end)\n");
}

TEST_F(LuaTest, ADataBudgetCountsInsideCoroutines)
{
    // As the game loads its level files: the chunk's globals fall through to the script's.
    LuaTable level(state.ptr());
    level.inheritFrom(state->globals());
    state->globals().setTable("level", &level);
    // Left through the wrapper, the error is the main thread's, where the wrapper ran.
    try {
        state->runData("coroutine.wrap(function() while true do end end)()", "endless.lua", &level, 100000);
        FAIL() << "no exception";
    } catch (const LuaException& e) {
        EXPECT_EQ(e.getMessage(), "endless.lua:1: ran past its budget of 100000 instructions\nCall stack:\n"
                                  "[C](-1)\nendless.lua(1)\n(end)\n");
    }

    // The message the coroutine ended with, caught by the chunk.
    state->runData("ok, message = coroutine.resume(coroutine.create(function() while true do end end))", "caught.lua",
                   &level, 100000);
    EXPECT_FALSE(level.getBoolean("ok"));
    EXPECT_EQ(level.getString("message"), "ran past its budget of 100000 instructions");

    // A coroutine the chunk made outlives it without its budget.
    state->runData("later = coroutine.create(function() local s = 0 for i = 1, 1000000 do s = s + 1 end return s end)",
                   "later.lua", &level, 100000);
    run("ok, count = coroutine.resume(level.later)");
    EXPECT_TRUE(state->globals().getBoolean("ok")) << global(state.ptr(), "count");
    EXPECT_EQ(state->globals().getNumber("count"), 1000000.0f);
}

TEST_F(LuaTest, TextArgumentsCanBeViewsOfTheInterpretersOwnString)
{
    Natives natives(state.ptr());
    // The view is the interpreter's string itself, not a copy: the same bytes a script's
    // global holds, embedded zeros included.
    run("word = 'a\\0bc' size = n.length(word) copy = coroutine.wrap(function() return n.viewed(1, word) end)()");
    lua_State* lua = state->interpreter();
    lua_getglobal(lua, "word");
    const char* held = lua_tostring(lua, -1);
    lua_pop(lua, 1);
    EXPECT_EQ(natives.seen, held);
    EXPECT_EQ(state->globals().getNumber("size"), 4.0f);
    EXPECT_EQ(state->globals().getString("copy"), String("a\0bc?", 5));
    EXPECT_EQ(failure("n.length(5)"),
              "length: Excepted type STRING at stack position 1 but found NUMBER\nCall stack:\ntest.lua(1)\n(end)\n");
    EXPECT_EQ(failure("n.viewed(1)"),
              "viewed: Excepted type STRING at stack position 2 but found INVALID\nCall stack:\ntest.lua(1)\n(end)\n");
}
