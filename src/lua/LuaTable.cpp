#include "lua/LuaTable.h"

#include "lua/LuaException.h"
#include "lua/LuaNames.h"
#include "lua/LuaObject.h"
#include "lua/LuaStack.h"
#include "lua/LuaState.h"

#include <lauxlib.h>
#include <lua.h>

#include <cstring>

using lang::Format;
using lang::String;

namespace lua {

namespace {

/// Pushes table[key] (raw) for the table on top of the stack; returns the value's type.
int pushField(lua_State* lua, const char* key)
{
    const int table = lua_gettop(lua);
    lua_pushstring(lua, key);
    lua_rawget(lua, table);
    return lua_type(lua, -1);
}

int pushField(lua_State* lua, int key)
{
    lua_rawgeti(lua, -1, key);
    return lua_type(lua, -1);
}

String keyText(const char* key)
{
    return key;
}

String keyText(int key)
{
    return Format("{0}", key).toString();
}

} // namespace

LuaTable::LuaTable(LuaState* state) : m_state(state)
{
    lua_State* lua = state->interpreter();
    lua_newtable(lua);
    m_reference = luaL_ref(lua, LUA_REGISTRYINDEX);
}

LuaTable::LuaTable(const LuaTable& other) : lang::Object()
{
    *this = other;
}

LuaTable& LuaTable::operator=(const LuaTable& other)
{
    if (this == &other)
        return *this;
    int reference = -1;
    if (other.isValid()) {
        lua_State* lua = other.m_state->interpreter();
        other.push();
        reference = luaL_ref(lua, LUA_REGISTRYINDEX);
    }
    dropReference();
    m_state = other.m_state;
    m_reference = reference;
    return *this;
}

LuaTable::~LuaTable()
{
    dropReference();
}

void LuaTable::dropReference()
{
    if (isValid())
        luaL_unref(m_state->interpreter(), LUA_REGISTRYINDEX, m_reference);
    m_reference = -1;
}

void LuaTable::push() const
{
    push(m_state->interpreter());
}

void LuaTable::push(lua_State* lua) const
{
    // Every thread of the interpreter shares the registry that holds the reference.
    if (m_state && m_reference >= 0)
        lua_rawgeti(lua, LUA_REGISTRYINDEX, m_reference);
    else
        lua_pushnil(lua);
}

LuaTable LuaTable::fromStack(LuaState* state, int position)
{
    return fromStack(state, state->interpreter(), position);
}

LuaTable LuaTable::fromStack(LuaState* state, lua_State* lua, int position)
{
    LuaTable table;
    table.m_state = state;
    lua_pushvalue(lua, position);
    table.m_reference = luaL_ref(lua, LUA_REGISTRYINDEX);
    return table;
}

// --- getters -----------------------------------------------------------------

namespace {

/// Pushes the table and its field, hands the field's type to read, restores the stack.
template <class Key, class Result, class Read>
Result readField(const LuaTable& table, Key key, Result fallback, Read read)
{
    if (!table.isValid())
        return fallback;
    lua_State* lua = table.state()->interpreter();
    StackGuard guard(lua);
    table.push();
    return read(lua, pushField(lua, key));
}

String readString(lua_State* lua, int type)
{
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return String();
    size_t length;
    const char* text = lua_tolstring(lua, -1, &length);
    return String(text, static_cast<int>(length));
}

float readNumber(lua_State* lua, int)
{
    return lua_isnumber(lua, -1) ? lua_tonumber(lua, -1) : 0.0f;
}

bool readBoolean(lua_State* lua, int)
{
    return lua_toboolean(lua, -1) != 0;
}

bool readIsString(lua_State*, int type)
{
    return type == LUA_TSTRING || type == LUA_TNUMBER;
}

bool readIsNumber(lua_State* lua, int)
{
    return lua_isnumber(lua, -1) != 0;
}

bool readIsBoolean(lua_State*, int type)
{
    return type == LUA_TBOOLEAN;
}

bool readIsFunction(lua_State*, int type)
{
    return type == LUA_TFUNCTION;
}

bool readIsTable(lua_State*, int type)
{
    return type == LUA_TTABLE;
}

template <class Key>
LuaTable readTable(const LuaTable& table, Key key)
{
    return readField(table, key, LuaTable(), [&](lua_State*, int type) {
        if (type != LUA_TTABLE)
            throw LuaException(Format("Tried to get value {0} from table, but type was {1} instead of {2}",
                                      keyText(key), LuaState::typeName(type), "TABLE"));
        return LuaTable::fromStack(table.state(), -1);
    });
}

} // namespace

String LuaTable::getString(const char* name) const { return readField(*this, name, String(), readString); }
String LuaTable::getString(int index) const { return readField(*this, index, String(), readString); }
float LuaTable::getNumber(const char* name) const { return readField(*this, name, 0.0f, readNumber); }
float LuaTable::getNumber(int index) const { return readField(*this, index, 0.0f, readNumber); }
bool LuaTable::getBoolean(const char* name) const { return readField(*this, name, false, readBoolean); }
bool LuaTable::getBoolean(int index) const { return readField(*this, index, false, readBoolean); }
LuaTable LuaTable::getTable(const char* name) const { return readTable(*this, name); }
LuaTable LuaTable::getTable(int index) const { return readTable(*this, index); }
bool LuaTable::isString(const char* name) const { return readField(*this, name, false, readIsString); }
bool LuaTable::isString(int index) const { return readField(*this, index, false, readIsString); }
bool LuaTable::isNumber(const char* name) const { return readField(*this, name, false, readIsNumber); }
bool LuaTable::isNumber(int index) const { return readField(*this, index, false, readIsNumber); }
bool LuaTable::isBoolean(const char* name) const { return readField(*this, name, false, readIsBoolean); }
bool LuaTable::isBoolean(int index) const { return readField(*this, index, false, readIsBoolean); }
bool LuaTable::isTable(const char* name) const { return readField(*this, name, false, readIsTable); }
bool LuaTable::isTable(int index) const { return readField(*this, index, false, readIsTable); }
bool LuaTable::isFunction(const char* name) const { return readField(*this, name, false, readIsFunction); }

// --- setters -----------------------------------------------------------------

namespace {

/// Stores the value on top of the stack as table[key] (raw), the table just below it.
void storeTop(lua_State* lua, const char* key)
{
    lua_pushstring(lua, key);
    lua_insert(lua, -2);
    lua_rawset(lua, -3);
}

void storeTop(lua_State* lua, int key)
{
    lua_rawseti(lua, -2, key);
}

/// Pushes the table, lets pushValue push the value, stores it under key.
template <class Key, class Push>
void storeField(const LuaTable& table, Key key, Push pushValue)
{
    if (!table.isValid())
        return;
    lua_State* lua = table.state()->interpreter();
    StackGuard guard(lua);
    table.push();
    pushValue(lua);
    storeTop(lua, key);
}

auto pushingString(const String& text)
{
    return [&text](lua_State* lua) { lua_pushlstring(lua, text.c_str(), static_cast<size_t>(text.length())); };
}

template <class Table>
auto pushingTable(const Table* table)
{
    return [table](lua_State* lua) {
        if (table && table->isValid())
            table->push();
        else
            lua_pushnil(lua);
    };
}

} // namespace

void LuaTable::setNumber(const char* name, float value)
{
    storeField(*this, name, [value](lua_State* lua) { lua_pushnumber(lua, value); });
}

void LuaTable::setNumber(int index, float value)
{
    storeField(*this, index, [value](lua_State* lua) { lua_pushnumber(lua, value); });
}

void LuaTable::setBoolean(const char* name, bool value)
{
    storeField(*this, name, [value](lua_State* lua) { lua_pushboolean(lua, value); });
}

void LuaTable::setBooleans(const LuaNames& names, const bool* values)
{
    if (!isValid() || !names.table().isValid())
        return;
    lua_State* lua = m_state->interpreter();
    StackGuard guard(lua);
    push();
    const int table = lua_gettop(lua);
    names.table().push();
    const int list = table + 1;
    for (int i = 0; i < names.size(); ++i) {
        lua_rawgeti(lua, list, i + 1);
        lua_pushboolean(lua, values[i]);
        lua_rawset(lua, table);
    }
}

void LuaTable::setString(const char* name, const String& value) { storeField(*this, name, pushingString(value)); }
void LuaTable::setString(int index, const String& value) { storeField(*this, index, pushingString(value)); }
void LuaTable::setTable(const String& name, const LuaTable* table) { storeField(*this, name.c_str(), pushingTable(table)); }
void LuaTable::setTable(int index, const LuaTable* table) { storeField(*this, index, pushingTable(table)); }
void LuaTable::setObject(const char* name, const LuaObject* object) { storeField(*this, name, pushingTable(object)); }
void LuaTable::setType(const String& text) { storeField(*this, "type", pushingString(text)); }

void LuaTable::setFalse(const String& name)
{
    storeField(*this, name.c_str(), [](lua_State* lua) { lua_pushboolean(lua, 0); });
}

void LuaTable::remove(const String& name)
{
    storeField(*this, name.c_str(), [](lua_State* lua) { lua_pushnil(lua); });
}

// --- calls and traversal -----------------------------------------------------

void LuaTable::call(const char* name)
{
    call(name, {});
}

void LuaTable::call(const char* name, float a, float b)
{
    call(name, {a, b});
}

void LuaTable::inheritFrom(const LuaTable& parent)
{
    if (!isValid())
        return;
    lua_State* lua = m_state->interpreter();
    StackGuard guard(lua);
    push();
    lua_newtable(lua);
    lua_pushstring(lua, "__index");
    parent.push();
    lua_rawset(lua, -3);
    lua_setmetatable(lua, -2);
}

void LuaTable::call(const char* name, std::initializer_list<LuaValue> arguments)
{
    if (!isValid())
        return;
    lua_State* lua = m_state->interpreter();
    StackGuard guard(lua);
    push();
    pushField(lua, name);
    for (const LuaValue& value : arguments) {
        switch (value.kind) {
        case LuaValue::NUMBER: lua_pushnumber(lua, value.number); break;
        case LuaValue::TEXT: lua_pushlstring(lua, value.text.c_str(), static_cast<size_t>(value.text.length())); break;
        case LuaValue::BOOLEAN: lua_pushboolean(lua, value.flag); break;
        }
    }
    m_state->protectedCall(static_cast<int>(arguments.size()));
}

int LuaTable::count() const
{
    if (!isValid())
        return 0;
    lua_State* lua = m_state->interpreter();
    StackGuard guard(lua);
    push();
    int count = 0;
    lua_pushnil(lua);
    while (lua_next(lua, -2)) {
        lua_pop(lua, 1);
        ++count;
    }
    return count;
}

void LuaTable::forEach(const std::function<void(const LuaEntry&)>& visit) const
{
    if (!isValid())
        return;
    lua_State* lua = m_state->interpreter();
    StackGuard guard(lua);
    push();
    lua_pushnil(lua);
    while (lua_next(lua, -2)) {
        LuaEntry entry;
        entry.keyType = lua_type(lua, -2);
        // lua_tolstring would turn a number key into a string in place and lose the walk.
        if (entry.keyType == LUA_TSTRING) {
            size_t length;
            const char* text = lua_tolstring(lua, -2, &length);
            entry.key = lang::String(text, static_cast<int>(length));
        } else if (entry.keyType == LUA_TNUMBER) {
            entry.number = lua_tonumber(lua, -2);
        }
        entry.valueType = lua_type(lua, -1);
        if (entry.valueType == LUA_TTABLE)
            entry.table = fromStack(m_state, -1);
        visit(entry);
        lua_pop(lua, 1);
    }
}

} // namespace lua

namespace lua {

LuaNames::LuaNames(LuaState* state, const char* const* names, int count) : m_names(state), m_count(count)
{
    for (int i = 0; i < count; ++i)
        m_names.setString(i + 1, names[i]);
}

} // namespace lua
