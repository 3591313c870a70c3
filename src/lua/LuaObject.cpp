#include "lua/LuaObject.h"

#include "lua/LuaException.h"
#include "lua/LuaStack.h"
#include "lua/LuaState.h"

#include <lua.h>

namespace lua {

namespace {

// A pointer to member is an address and an object-address adjustment: two words.
const size_t METHOD_WORDS = 2;

} // namespace

LuaObject::LuaObject(LuaState* state) : LuaTable(state)
{
    lua_State* lua = state->interpreter();
    StackGuard guard(lua);
    push();
    lua_pushlightuserdata(lua, this);
    lua_rawseti(lua, -2, 0);
    lua_pushstring(lua, "_G");
    lua_pushvalue(lua, LUA_GLOBALSINDEX);
    lua_rawset(lua, -3);
    lua_pushstring(lua, "this");
    lua_pushvalue(lua, -2);
    lua_rawset(lua, -3);
}

void LuaObject::registerNative(const char* name, void* object, const void* method, size_t methodSize,
                               NativeFunction invoke)
{
    static_assert(sizeof(void (LuaObject::*)()) <= METHOD_WORDS * sizeof(void*), "unexpected member pointer size");
    void* words[METHOD_WORDS] = {};
    std::memcpy(words, method, methodSize);
    lua_State* lua = state()->interpreter();
    StackGuard guard(lua);
    push();
    lua_pushstring(lua, name);
    lua_pushlightuserdata(lua, object);
    lua_pushlightuserdata(lua, words[0]);
    lua_pushlightuserdata(lua, words[1]);
    lua_pushcclosure(lua, invoke, 3);
    lua_rawset(lua, -3);
}

namespace native {

void* object(lua_State* lua)
{
    return lua_touserdata(lua, lua_upvalueindex(1));
}

void method(lua_State* lua, void* method, size_t size)
{
    void* words[METHOD_WORDS] = {lua_touserdata(lua, lua_upvalueindex(2)), lua_touserdata(lua, lua_upvalueindex(3))};
    std::memcpy(method, words, size);
}

// The strict argument rules: the type is checked here and the state is looked up only to
// report a mismatch, which keeps a call's common path to the interpreter's own checks.

float argument(lua_State* lua, int position, float*)
{
    if (lua_type(lua, position) != LUA_TNUMBER)
        LuaState::of(lua)->checkType(position, LuaState::TYPE_NUMBER);
    return lua_tonumber(lua, position);
}

int argument(lua_State* lua, int position, int*)
{
    return static_cast<int>(argument(lua, position, static_cast<float*>(nullptr)));
}

bool argument(lua_State* lua, int position, bool*)
{
    if (lua_type(lua, position) != LUA_TBOOLEAN)
        LuaState::of(lua)->checkType(position, LuaState::TYPE_BOOLEAN);
    return lua_toboolean(lua, position) != 0;
}

lang::String argument(lua_State* lua, int position, lang::String*)
{
    if (lua_type(lua, position) != LUA_TSTRING)
        LuaState::of(lua)->checkType(position, LuaState::TYPE_STRING);
    size_t length;
    const char* text = lua_tolstring(lua, position, &length);
    return lang::String(text, static_cast<int>(length));
}

void push(lua_State* lua, float value)
{
    lua_pushnumber(lua, value);
}

void push(lua_State* lua, int value)
{
    lua_pushnumber(lua, static_cast<lua_Number>(value));
}

void push(lua_State* lua, bool value)
{
    lua_pushboolean(lua, value);
}

void push(lua_State* lua, const lang::String& value)
{
    lua_pushlstring(lua, value.c_str(), static_cast<size_t>(value.length()));
}

void raise(lua_State* lua, std::exception_ptr exception, const lang::String& message)
{
    LuaState::of(lua)->holdException(exception, message);
    lua_pushlstring(lua, message.c_str(), static_cast<size_t>(message.length()));
    lua_error(lua);
    std::terminate(); // lua_error does not return
}

} // namespace native

} // namespace lua
