#pragma once

#include <lua.h>

namespace lua {

/// Restores the interpreter's stack top on every exit from a scope, exceptions included.
class StackGuard
{
public:
    explicit StackGuard(lua_State* lua) : m_lua(lua), m_top(lua_gettop(lua)) {}
    ~StackGuard() { lua_settop(m_lua, m_top); }
    StackGuard(const StackGuard&) = delete;
    StackGuard& operator=(const StackGuard&) = delete;

private:
    lua_State* m_lua;
    int m_top;
};

} // namespace lua
