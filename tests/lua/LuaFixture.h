#pragma once

#include "LogCapture.h"

#include "lang/Ptr.h"
#include "lua/LuaException.h"
#include "lua/LuaState.h"

#include <gtest/gtest.h>
#include <lua.h>

/// A fresh interpreter per test; teardown checks that nothing was left on its stack.
class LuaTest : public ::testing::Test
{
protected:
    LogCapture log; // exception creation lines stay out of the test output
    lang::Ptr<lua::LuaState> state = new lua::LuaState;
    int initialTop = lua_gettop(state->interpreter());

    void TearDown() override { EXPECT_EQ(lua_gettop(state->interpreter()), initialTop) << "stack top moved"; }

    void run(const char* code, const lua::LuaTable* env = nullptr) { state->runString(code, "test.lua", env); }

    /// The message of the LuaException that running code throws.
    std::string failure(const char* code)
    {
        try {
            run(code);
        } catch (const lua::LuaException& e) {
            return e.getMessage().str();
        }
        return "(no exception)";
    }
};
