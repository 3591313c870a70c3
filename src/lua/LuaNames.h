#pragma once

#include "lua/LuaTable.h"

namespace lua {

/// A fixed list of field names interned once, for tables that get the same fields every
/// frame (the key tables): storing through it skips hashing the names again.
class LuaNames
{
public:
    LuaNames(LuaState* state, const char* const* names, int count);

    int size() const { return m_count; }
    /// The table of names, 1-based, for the bridge's own code.
    const LuaTable& table() const { return m_names; }

private:
    LuaTable m_names;
    int m_count;
};

} // namespace lua
