#pragma once

#include "lang/String.h"
#include "lua/LuaTable.h"

#include <string_view>

struct lua_State;

namespace lua {

class LuaState;

/// One raw native call: its arguments and its results, on the interpreter thread that made
/// it, which is a coroutine's when a script calls the native inside one.
///
/// Positions count from 1, the first argument, to count(); results pushed never count as
/// arguments. The strict getters throw the type error
/// "{native}: Excepted type {0} at stack position {1} but found {2}{3}" with the native's
/// name, the found type ("INVALID" for a missing argument) and the call stack of the calling
/// thread. Lives on the native's stack for the one call.
class NativeCall
{
public:
    /// The call running on the thread lua, with every value on lua's stack as an argument.
    explicit NativeCall(lua_State* lua);

    /// The state that owns the interpreter.
    LuaState* state() const;

    /// The number of arguments.
    int count() const { return m_count; }
    /// The LuaState::Type of the value at position; TYPE_NONE when there is none.
    int type(int position) const;
    /// Whether the value at position is a number, or a string that reads as one.
    bool isNumber(int position) const;

    /// The number at position; a string is the type error, even one that reads as a number.
    float getNumber(int position) const;
    /// The number at position, also read from a string that reads as one (where isNumber()
    /// holds); anything else is the type error.
    float toNumber(int position) const;
    /// The string at position; a number is the type error.
    lang::String getString(int position) const;
    /// The same text without a copy: a view of the interpreter's own string, valid while the
    /// native runs (the argument stays on the stack). Make a String only of what is kept.
    std::string_view getText(int position) const;
    /// The boolean at position.
    bool getBoolean(int position) const;
    /// A handle on the table at position.
    LuaTable getTable(int position) const;
    /// The number at position when it is a number (a numeric string is not), else fallback.
    float numberOr(int position, float fallback) const;

    // Results, in order; the native returns how many it pushed. The interpreter leaves room
    // for 20 (LUA_MINSTACK); more results go into a table.
    void push(float value);
    void push(bool value);
    void push(const lang::String& value);
    /// Pushes a text; without this overload a literal would convert to bool, not to a String.
    void push(const char* value);
    /// Pushes the table, or nil for an empty handle.
    void push(const LuaTable& table);
    void pushNil();

private:
    lua_State* m_lua;
    int m_count;

    /// Throws the type error unless the argument at position has the type.
    void expect(int position, int type) const;
};

} // namespace lua
