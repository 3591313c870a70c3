#include "LuaFixture.h"

#include "lua/LuaNames.h"
#include "lua/LuaTable.h"

#include <map>

using lua::LuaException;
using lua::LuaTable;
using lang::String;

TEST_F(LuaTest, LenientGetters)
{
    run("t = { s = '2.5', word = 'abc', n = 7, z = 0, e = '', tab = {}, yes = true, no = false, [1] = 'one', [2] = 3 }");
    LuaTable t = state->globals().getTable("t");
    EXPECT_EQ(t.getNumber("s"), 2.5f);
    EXPECT_EQ(t.getNumber("word"), 0.0f);
    EXPECT_EQ(t.getNumber("tab"), 0.0f);
    EXPECT_EQ(t.getNumber("missing"), 0.0f);
    EXPECT_EQ(t.getNumber(2), 3.0f);
    EXPECT_EQ(t.getString("n"), "7");
    EXPECT_EQ(t.getString("word"), "abc");
    EXPECT_EQ(t.getString("tab"), "");
    EXPECT_EQ(t.getString(1), "one");
    EXPECT_TRUE(t.getBoolean("z"));
    EXPECT_TRUE(t.getBoolean("e"));
    EXPECT_TRUE(t.getBoolean("yes"));
    EXPECT_FALSE(t.getBoolean("no"));
    EXPECT_FALSE(t.getBoolean("missing"));
    EXPECT_TRUE(t.isString("n"));
    EXPECT_TRUE(t.isNumber("s"));
    EXPECT_FALSE(t.isNumber("word"));
    EXPECT_TRUE(t.isBoolean("no"));
    EXPECT_FALSE(t.isBoolean("z"));
    EXPECT_TRUE(t.isTable("tab"));
    EXPECT_FALSE(t.isTable(1));
    EXPECT_EQ(t.count(), 10);
    // The number-to-text conversion leaves the stored number a number.
    EXPECT_FALSE(state->globals().getTable("t").isString("missing"));
    run("assert(type(t.n) == 'number')");
}

TEST_F(LuaTest, GetTableNamesTheFoundType)
{
    run("t = { n = 1 }");
    LuaTable t = state->globals().getTable("t");
    try {
        t.getTable("n");
        FAIL();
    } catch (const LuaException& e) {
        EXPECT_EQ(e.getMessage(), "Tried to get value n from table, but type was NUMBER instead of TABLE");
    }
    EXPECT_THROW(t.getTable(5), LuaException);
    EXPECT_THROW(t.getTable("missing"), LuaException);
}

TEST_F(LuaTest, SettersAndHandles)
{
    LuaTable t(state.ptr());
    t.setNumber("n", 16777217.0f);
    t.setBoolean("b", true);
    t.setString("s", String("a\0b", 3));
    t.setString(1, "first");
    t.setType("crate");
    LuaTable inner(state.ptr());
    inner.setNumber("x", 1);
    t.setTable(String("inner"), &inner);
    t.setTable(2, &inner);
    state->globals().setTable(String("t"), &t);
    run("assert(t.n == 16777216 and t.b == true and #t.s == 3 and t[1] == 'first' and t.type == 'crate')"
        "assert(t.inner.x == 1 and t[2] == t.inner)");
    t.setFalse("b");
    t.remove("s");
    t.setTable(String("inner"), nullptr);
    run("assert(t.b == false and t.s == nil and t.inner == nil)");

    LuaTable copy = t; // a second reference to the same table
    t = LuaTable();
    EXPECT_FALSE(t.isValid());
    EXPECT_EQ(copy.getString(1), "first");
    EXPECT_EQ(t.getString(1), ""); // an empty handle reads as nothing
}

TEST_F(LuaTest, CallsFunctionFields)
{
    run("t = {} function t.go() hits = (hits or 0) + 1 end function t.size(w, h) area = w * h end");
    LuaTable t = state->globals().getTable("t");
    t.call("go");
    t.call("go");
    t.call("size", 4, 2.5f);
    EXPECT_EQ(state->globals().getNumber("hits"), 2.0f);
    EXPECT_EQ(state->globals().getNumber("area"), 10.0f);
    EXPECT_THROW(t.call("missing"), LuaException);
}

TEST_F(LuaTest, RunWithAnEnvironmentTable)
{
    LuaTable env(state.ptr());
    run("volume = 0.5 name = 'player'", &env);
    EXPECT_EQ(env.getNumber("volume"), 0.5f);
    EXPECT_EQ(env.getString("name"), "player");
    EXPECT_FALSE(state->globals().isNumber("volume"));
}

TEST_F(LuaTest, CompileErrorsAndPrecompiledChunks)
{
    std::string message = failure("x = = 1");
    EXPECT_EQ(message.rfind("Error while compiling Lua: test.lua:1:", 0), 0u) << message;
    run("dumped = string.dump(function() return 1 end)");
    String bytecode = state->globals().getString("dumped");
    ASSERT_EQ(bytecode[0], '\033');
    try {
        state->runString(bytecode, "evil.luac");
        FAIL();
    } catch (const LuaException& e) {
        EXPECT_EQ(e.getMessage(), "Error while compiling Lua: evil.luac: precompiled chunks are not accepted");
    }
}

TEST_F(LuaTest, DebugLibraryIsNotOpened)
{
    run("assert(debug == nil and string and math and table and io and os and package)");
}

TEST_F(LuaTest, BooleansThroughInternedNames)
{
    const char* const names[] = {"LBUTTON", "ESCAPE", "KEY_ALT"};
    lua::LuaNames keys(state.ptr(), names, 3);
    LuaTable pressed(state.ptr());
    const bool first[] = {true, false, true};
    pressed.setBooleans(keys, first);
    state->globals().setTable(String("keyPressed"), &pressed);
    run("assert(keyPressed.LBUTTON == true and keyPressed.ESCAPE == false and keyPressed.KEY_ALT == true)");
    const bool second[] = {false, true, false};
    pressed.setBooleans(keys, second);
    run("assert(keyPressed.LBUTTON == false and keyPressed.ESCAPE == true)");
    EXPECT_EQ(pressed.count(), 3);
}

TEST_F(LuaTest, ForEachVisitsEveryPairWithItsKeyAsItIs)
{
    run("t = { [1] = 'one', [2.5] = true, name = 'x', inner = { 7 }, f = print }");
    std::map<std::string, int> seen; // key as text -> value type
    float numberKeys = 0;
    state->globals().getTable("t").forEach([&](const lua::LuaEntry& entry) {
        if (entry.keyType == lua::LuaState::TYPE_NUMBER) {
            numberKeys += entry.number;
            seen["#" + std::to_string(entry.number)] = entry.valueType;
        } else {
            seen[entry.key.str()] = entry.valueType;
        }
        if (entry.valueType == lua::LuaState::TYPE_TABLE) {
            EXPECT_EQ(entry.table.getNumber(1), 7.0f);
        }
    });
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(numberKeys, 3.5f); // number keys stay numbers: the walk is not cut short
    EXPECT_EQ(seen["name"], lua::LuaState::TYPE_STRING);
    EXPECT_EQ(seen["inner"], lua::LuaState::TYPE_TABLE);
    EXPECT_EQ(seen["f"], lua::LuaState::TYPE_FUNCTION);
}
