#include "lua/NativeCall.h"

#include "lua/LuaState.h"

#include <lua.h>

#include <cstring>

using lang::String;

namespace lua {

NativeCall::NativeCall(lua_State* lua) : m_lua(lua), m_count(lua_gettop(lua))
{
}

LuaState* NativeCall::state() const
{
    return LuaState::of(m_lua);
}

int NativeCall::type(int position) const
{
    return position >= 1 && position <= m_count ? lua_type(m_lua, position) : LuaState::TYPE_NONE;
}

void NativeCall::expect(int position, int type) const
{
    const int found = this->type(position);
    if (found != type)
        LuaState::typeError(m_lua, position, type, found);
}

bool NativeCall::isNumber(int position) const
{
    return position >= 1 && position <= m_count && lua_isnumber(m_lua, position);
}

float NativeCall::getNumber(int position) const
{
    expect(position, LuaState::TYPE_NUMBER);
    return lua_tonumber(m_lua, position);
}

float NativeCall::toNumber(int position) const
{
    if (!isNumber(position))
        expect(position, LuaState::TYPE_NUMBER);
    return lua_tonumber(m_lua, position);
}

String NativeCall::getString(int position) const
{
    expect(position, LuaState::TYPE_STRING);
    size_t length;
    const char* text = lua_tolstring(m_lua, position, &length);
    return String(text, static_cast<int>(length));
}

std::string_view NativeCall::getText(int position) const
{
    expect(position, LuaState::TYPE_STRING);
    size_t length;
    const char* text = lua_tolstring(m_lua, position, &length);
    return std::string_view(text, length);
}

bool NativeCall::getBoolean(int position) const
{
    expect(position, LuaState::TYPE_BOOLEAN);
    return lua_toboolean(m_lua, position) != 0;
}

LuaTable NativeCall::getTable(int position) const
{
    expect(position, LuaState::TYPE_TABLE);
    return LuaTable::fromStack(state(), m_lua, position);
}

float NativeCall::numberOr(int position, float fallback) const
{
    return type(position) == LUA_TNUMBER ? lua_tonumber(m_lua, position) : fallback;
}

void NativeCall::push(float value)
{
    lua_pushnumber(m_lua, value);
}

void NativeCall::push(bool value)
{
    lua_pushboolean(m_lua, value);
}

void NativeCall::push(const String& value)
{
    lua_pushlstring(m_lua, value.c_str(), static_cast<size_t>(value.length()));
}

void NativeCall::push(const char* value)
{
    lua_pushlstring(m_lua, value, std::strlen(value));
}

void NativeCall::push(const LuaTable& table)
{
    if (table.isValid())
        table.push(m_lua);
    else
        lua_pushnil(m_lua);
}

void NativeCall::pushNil()
{
    lua_pushnil(m_lua);
}

} // namespace lua
