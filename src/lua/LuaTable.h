#pragma once

#include "lang/Object.h"
#include "lang/String.h"

#include <functional>
#include <initializer_list>

struct lua_State;

namespace io {
class OutputStream;
}

namespace lua {

class LuaState;
class LuaObject;
struct LuaEntry;
class LuaNames;

/// One argument of a script call: a number, a text or a boolean.
struct LuaValue
{
    enum Kind { NUMBER, TEXT, BOOLEAN } kind;
    float number = 0;
    lang::String text;
    bool flag = false;

    LuaValue(float value) : kind(NUMBER), number(value) {}
    LuaValue(int value) : kind(NUMBER), number(static_cast<float>(value)) {}
    LuaValue(const lang::String& value) : kind(TEXT), text(value) {}
    LuaValue(const char* value) : kind(TEXT), text(value) {}
    LuaValue(bool value) : kind(BOOLEAN), flag(value) {}
};

/// A counted handle on one script table, held in the interpreter's registry.
///
/// Operations leave the interpreter's stack as they found it, exceptions included, so a
/// handle can be kept across frames. Access is raw (no metamethods run), which keeps
/// every table operation free of script code and so of script errors. Lenient getters
/// never throw: a missing or mistyped value gives "", 0 or false. A handle must not
/// outlive its LuaState.
class LuaTable : public lang::Object
{
public:
    /// An empty handle (no table).
    LuaTable() = default;
    /// A handle on a new empty table.
    explicit LuaTable(LuaState* state);
    LuaTable(const LuaTable& other);
    LuaTable& operator=(const LuaTable& other);
    ~LuaTable() override;

    /// Whether the handle holds a table.
    bool isValid() const { return m_state && m_reference >= 0; }
    LuaState* state() const { return m_state; }

    /// The value as text for a string or a number, else "".
    lang::String getString(const char* name) const;
    lang::String getString(int index) const;
    /// The value for a number or a string that reads as one, else 0.
    float getNumber(const char* name) const;
    float getNumber(const lang::String& name) const { return getNumber(name.c_str()); }
    float getNumber(int index) const;
    /// False for nil and false, true for anything else (0 and "" included).
    bool getBoolean(const char* name) const;
    bool getBoolean(int index) const;
    /// A handle on the table stored there; throws LuaException
    /// "Tried to get value {0} from table, but type was {1} instead of {2}".
    LuaTable getTable(const char* name) const;
    LuaTable getTable(const lang::String& name) const { return getTable(name.c_str()); }
    LuaTable getTable(int index) const;

    bool isString(const char* name) const;
    bool isString(int index) const;
    bool isNumber(const char* name) const;
    bool isNumber(const lang::String& name) const { return isNumber(name.c_str()); }
    bool isNumber(int index) const;
    bool isBoolean(const char* name) const;
    bool isBoolean(int index) const;
    bool isTable(const char* name) const;
    bool isTable(const lang::String& name) const { return isTable(name.c_str()); }
    bool isTable(int index) const;
    bool isFunction(const char* name) const;

    void setNumber(const char* name, float value);
    void setNumber(int index, float value);
    void setBoolean(const char* name, bool value);
    /// Stores values[i] under the i-th name of names, for every name.
    void setBooleans(const LuaNames& names, const bool* values);
    void setString(const char* name, const lang::String& value);
    void setString(int index, const lang::String& value);
    /// Stores the table of another handle, or nil when it is null or empty.
    void setTable(const lang::String& name, const LuaTable* table);
    void setTable(int index, const LuaTable* table);
    /// Stores the table of an object, or nil.
    void setObject(const char* name, const LuaObject* object);
    void setFalse(const lang::String& name);
    /// Stores nil.
    void remove(const lang::String& name);
    /// Stores text under the key "type".
    void setType(const lang::String& text);

    /// Calls the function stored under name with no arguments and no results.
    void call(const char* name);
    /// Calls the function stored under name with two numbers and no results.
    void call(const char* name, float a, float b);
    /// Calls the function stored under name with the arguments and no results.
    void call(const char* name, std::initializer_list<LuaValue> arguments);

    /// Gives the table a metatable whose __index is parent, so that reads of missing keys
    /// through the interpreter fall through to parent (this handle's own getters stay raw).
    void inheritFrom(const LuaTable& parent);

    /// The number of key/value pairs.
    int count() const;

    /// Calls visit for every pair, in the interpreter's order. visit may read and write
    /// other tables, and values of this one, but must not add keys to it.
    void forEach(const std::function<void(const LuaEntry&)>& visit) const;

    /// Writes the table as Lua source: at indent 0 without bracketed keys it reads back as
    /// global assignments. Strings are Lua literals (escaped only where needed), numbers
    /// read back to the same float, and a table met again inside itself, or nested more than
    /// 100 tables deep (counting this one), is written nil.
    void write(io::OutputStream* out, int indent, bool bracketedKeys) const;

    /// Pushes the table (or nil) onto the main thread's stack; for the bridge's own code.
    void push() const;
    /// Pushes the table (or nil) onto the stack of thread, a thread of this table's
    /// interpreter; for the bridge's own code.
    void push(lua_State* thread) const;
    /// A handle on the table at a position of the main thread's stack; for the bridge's own code.
    static LuaTable fromStack(LuaState* state, int position);
    /// A handle on the table at a position of the stack of thread, a thread of state's
    /// interpreter; for the bridge's own code.
    static LuaTable fromStack(LuaState* state, lua_State* thread, int position);

private:
    LuaState* m_state = nullptr; ///< not counted: the state owns the interpreter and outlives handles
    int m_reference = -1;

    void dropReference();
};

/// One pair met by LuaTable::forEach: the key as text (a string key) or as a number, and
/// the value's type (LuaState::Type), with a handle on it when it is a table.
struct LuaEntry
{
    int keyType = -1;
    lang::String key; ///< string keys only
    float number = 0; ///< number keys only
    int valueType = -1;
    LuaTable table; ///< table values only
};

} // namespace lua
