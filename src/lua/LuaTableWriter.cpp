// LuaTable::write: a table as Lua source that reads back to the same table.

#include "lua/LuaTable.h"

#include "io/OutputStream.h"
#include "lua/LuaStack.h"
#include "lua/LuaState.h"

#include <lua.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>

namespace lua {

namespace {

/// Tables nested deeper than this are written nil: the interpreter reads constructors only
/// so deep back (it stops at 200 syntax levels), and the writer's own recursion and stack
/// stay bounded whatever the scripts built.
const int MAX_DEPTH = 100;

bool needsEscape(unsigned char c)
{
    return c == '"' || c == '\\' || c < 0x20 || c == 0x7f;
}

class Writer
{
public:
    Writer(lua_State* lua, io::OutputStream* out) : m_lua(lua), m_out(out) {}
    /// Writes the pairs of the table at a stack index, which counts as open.
    void top(int table, int indent, bool bracketedKeys)
    {
        m_open.insert(lua_topointer(m_lua, table));
        pairs(table, indent, bracketedKeys);
    }

    void pairs(int table, int indent, bool bracketedKeys)
    {
        // The list part (keys 1, 2, 3... as the traversal meets them first) is written as
        // bare items; every other key as a pair, so that the source reads back to the same
        // table whatever mixes the scripts made.
        int nextItem = 1;
        bool listOpen = false;
        lua_pushnil(m_lua);
        while (lua_next(m_lua, table)) {
            const int keyType = lua_type(m_lua, -2);
            if (keyType == LUA_TNUMBER && lua_tonumber(m_lua, -2) == nextItem) {
                if (listOpen)
                    put(",");
                else
                    spaces(indent);
                value(indent);
                listOpen = true;
                ++nextItem;
            } else if (keyType == LUA_TSTRING || keyType == LUA_TNUMBER || keyType == LUA_TBOOLEAN) {
                size_t length = 0;
                const char* key = keyType == LUA_TSTRING ? lua_tolstring(m_lua, -2, &length) : nullptr;
                if (!key || std::string(key, length) != "_G") {
                    if (listOpen) {
                        put(",\n");
                        listOpen = false;
                    }
                    nextItem = 0; // the list is over: later number keys are pairs
                    pair(keyType, key, length, indent, bracketedKeys);
                }
            }
            lua_pop(m_lua, 1);
        }
    }

    void flush()
    {
        if (!m_text.empty())
            m_out->write(m_text.data(), static_cast<int>(m_text.size()));
        m_text.clear();
    }

private:
    /// One "key = value" line; the key is on the stack below the value.
    void pair(int keyType, const char* key, size_t length, int indent, bool bracketedKeys)
    {
        spaces(indent);
        if (keyType != LUA_TSTRING) {
            if (!bracketedKeys) {
                // A file of assignments has no place for it: the line would not read back.
                m_text.resize(m_text.size() - static_cast<size_t>(indent > 0 ? indent : 0));
                return;
            }
            put("[");
            if (keyType == LUA_TNUMBER)
                number(lua_tonumber(m_lua, -2));
            else
                put(lua_toboolean(m_lua, -2) ? "true" : "false");
            put("]");
        } else if (bracketedKeys) {
            put("[");
            string(key, length);
            put("]");
        } else {
            m_text.append(key, length);
        }
        put(" = ");
        value(indent);
        if (bracketedKeys)
            put(",");
        put("\n");
    }

    lua_State* m_lua;
    io::OutputStream* m_out;
    std::string m_text;
    std::unordered_set<const void*> m_open; ///< tables being written, to stop at cycles

    void put(const char* text) { m_text += text; }
    void spaces(int count) { m_text.append(static_cast<size_t>(count > 0 ? count : 0), ' '); }

    /// Writes the value on top of the stack.
    void value(int indent)
    {
        switch (lua_type(m_lua, -1)) {
        case LUA_TBOOLEAN:
            put(lua_toboolean(m_lua, -1) ? "true" : "false");
            break;
        case LUA_TNUMBER:
            number(lua_tonumber(m_lua, -1));
            break;
        case LUA_TSTRING: {
            size_t length;
            const char* text = lua_tolstring(m_lua, -1, &length);
            string(text, length);
            break;
        }
        case LUA_TTABLE: {
            const void* identity = lua_topointer(m_lua, -1);
            // Each level holds a key and a value on the stack while the next one is written.
            if (m_open.size() >= MAX_DEPTH || !lua_checkstack(m_lua, 4)) {
                put("nil");
                break;
            }
            if (!m_open.insert(identity).second) {
                put("nil"); // a table inside itself would never end
                break;
            }
            put("{\n");
            pairs(lua_gettop(m_lua), indent + 4, true);
            put("\n");
            spaces(indent);
            put("}");
            m_open.erase(identity);
            break;
        }
        default:
            put("nil");
        }
    }

    /// The fewest significant digits, at least six, that read back to the same float.
    void number(float value)
    {
        if (std::isnan(value)) {
            put("0/0");
            return;
        }
        if (std::isinf(value)) {
            put(value > 0 ? "1/0" : "-1/0");
            return;
        }
        char text[32];
        for (int digits = 6; digits <= 9; ++digits) {
            std::snprintf(text, sizeof(text), "%.*g", digits, static_cast<double>(value));
            if (std::strtof(text, nullptr) == value)
                break;
        }
        put(text);
    }

    /// A Lua string literal; text without quotes, backslashes or control bytes is written
    /// as it is.
    void string(const char* text, size_t length)
    {
        m_text += '"';
        for (size_t i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (!needsEscape(c)) {
                m_text += static_cast<char>(c);
            } else if (c == '"' || c == '\\') {
                m_text += '\\';
                m_text += static_cast<char>(c);
            } else if (c == '\n') {
                m_text += "\\n";
            } else if (c == '\r') {
                m_text += "\\r";
            } else {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\%03u", c); // three digits: a digit may follow
                m_text += escape;
            }
        }
        m_text += '"';
    }
};

} // namespace

void LuaTable::write(io::OutputStream* out, int indent, bool bracketedKeys) const
{
    if (!isValid())
        return;
    lua_State* lua = m_state->interpreter();
    StackGuard guard(lua);
    push();
    Writer writer(lua, out);
    writer.top(lua_gettop(lua), indent, bracketedKeys);
    writer.flush();
}

} // namespace lua
