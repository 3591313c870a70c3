#include "lua/LuaObject.h"

#include "lua/LuaException.h"
#include "lua/LuaStack.h"
#include "lua/LuaState.h"

#include <lua.h>

// The interpreter's own structures, for the argument and upvalue fast path of natives.
#include <lobject.h>
#include <lstate.h>

namespace lua {

namespace {

// A pointer to member is an address and an object-address adjustment: two words.
const size_t METHOD_WORDS = 2;
// A native's upvalues: the object, the two method words, and the native's name.
const int NATIVE_UPVALUES = 4;
const int NAME_UPVALUE = 3;

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
    // The name rides along so that an error raised while the native runs can say whose it is.
    lua_pushstring(lua, name);
    lua_pushcclosure(lua, invoke, NATIVE_UPVALUES);
    lua_rawset(lua, -3);
}

namespace native {

void* target(lua_State* lua, void* method[METHOD_WORDS])
{
    const TValue* upvalues = clvalue(lua->ci->func)->c.upvalue;
    method[0] = pvalue(&upvalues[1]);
    method[1] = pvalue(&upvalues[2]);
    return pvalue(&upvalues[0]);
}

const char* runningNative(lua_State* lua)
{
    // Only registerNative makes C closures of four upvalues with a name last; outside every
    // call the running slot holds nil.
    const TValue* function = lua->ci->func;
    if (!ttisfunction(function) || !clvalue(function)->c.isC || clvalue(function)->c.nupvalues != NATIVE_UPVALUES)
        return nullptr;
    const TValue* upvalues = clvalue(function)->c.upvalue;
    if (!ttislightuserdata(&upvalues[0]) || !ttisstring(&upvalues[NAME_UPVALUE]))
        return nullptr;
    return svalue(&upvalues[NAME_UPVALUE]);
}

// The strict argument rules. Natives are the hottest path between scripts and engine, so
// arguments and upvalues are read straight from the interpreter's structures (Lua 5.1.5,
// pinned by the set-up). A mismatch is reported from lua, the thread that made the call.

float argument(lua_State* lua, int position, float*)
{
    const TValue* value = lua->base + (position - 1);
    if (value >= lua->top || !ttisnumber(value))
        LuaState::checkType(lua, position, LuaState::TYPE_NUMBER);
    return nvalue(value);
}

int argument(lua_State* lua, int position, int*)
{
    return static_cast<int>(argument(lua, position, static_cast<float*>(nullptr)));
}

bool argument(lua_State* lua, int position, bool*)
{
    const TValue* value = lua->base + (position - 1);
    if (value >= lua->top || !ttisboolean(value))
        LuaState::checkType(lua, position, LuaState::TYPE_BOOLEAN);
    return bvalue(value) != 0;
}

lang::String argument(lua_State* lua, int position, lang::String*)
{
    const TValue* value = lua->base + (position - 1);
    if (value >= lua->top || !ttisstring(value))
        LuaState::checkType(lua, position, LuaState::TYPE_STRING);
    return lang::String(svalue(value), static_cast<int>(tsvalue(value)->len));
}

std::string_view argument(lua_State* lua, int position, std::string_view*)
{
    const TValue* value = lua->base + (position - 1);
    if (value >= lua->top || !ttisstring(value))
        LuaState::checkType(lua, position, LuaState::TYPE_STRING);
    return std::string_view(svalue(value), tsvalue(value)->len);
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

void raise(lua_State* lua, std::exception_ptr exception)
{
    lang::String message;
    try {
        std::rethrow_exception(exception);
    } catch (const lang::Throwable& e) {
        message = e.getMessage();
    } catch (const std::exception& e) {
        message = e.what();
    }
    LuaState* state = LuaState::of(lua);
    // The exception comes out of the engine's call as itself, without the script's call
    // stack or the native's name: a report of it finds them here.
    char stack[1000] = "";
    LuaState::callStack(lua, stack, sizeof(stack));
    state->noteNativeFailure(runningNative(lua), message, stack);
    state->holdException(exception, message);
    lua_pushlstring(lua, message.c_str(), static_cast<size_t>(message.length()));
    message = lang::String();
    lua_error(lua); // unwinds into the interpreter; does not return
    std::terminate();
}

} // namespace native

} // namespace lua
