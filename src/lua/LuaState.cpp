#include "lua/LuaState.h"

#include "io/ByteArrayInputStream.h"
#include "lua/LuaException.h"
#include "lua/LuaInvoker.h"
#include "lua/LuaStack.h"

#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>

// The interpreter's own structures: the main thread of any thread, for of().
#include <lobject.h>
#include <lstate.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using lang::Format;
using lang::String;

namespace lua {

namespace {

const int MESSAGE_LIMIT = 1999;

struct ChunkReader
{
    io::InputStream* in;
    int left;
    char buffer[2048];
    std::exception_ptr failure;
    lang::String failureText;
    bool first = true;
    bool precompiled = false;
};

/// Hands the interpreter the stream's bytes in pieces of at most 2048. A failing stream
/// ends the chunk; its exception is thrown once the interpreter has returned.
const char* readChunk(lua_State*, void* data, size_t* size)
{
    ChunkReader& reader = *static_cast<ChunkReader*>(data);
    *size = 0;
    if (reader.left <= 0 || reader.failure || reader.precompiled)
        return nullptr;
    int count = 0;
    try {
        count = reader.in->read(reader.buffer, reader.left < 2048 ? reader.left : 2048);
    } catch (const lang::Throwable& e) {
        reader.failure = std::current_exception();
        return nullptr;
    } catch (const std::exception& e) {
        reader.failure = std::current_exception();
        return nullptr;
    }
    if (count <= 0)
        return nullptr;
    // Bytecode is never loaded: malformed bytecode can take over the process.
    if (reader.first && reader.buffer[0] == LUA_SIGNATURE[0]) {
        reader.precompiled = true;
        return nullptr;
    }
    reader.first = false;
    reader.left -= count;
    *size = static_cast<size_t>(count);
    return reader.buffer;
}

} // namespace

LuaState::LuaState()
{
    m_lua = lua_newstate(&LuaState::allocate, this);
    if (!m_lua)
        throw LuaException(Format("Failed to initialized Lua interpreter"));
    lua_atpanic(m_lua, &LuaState::panic);

    // Opening the libraries can only fail for memory; do it protected all the same.
    static const lua_CFunction libraries[] = {luaopen_base, luaopen_package, luaopen_table, luaopen_io,
                                              luaopen_os, luaopen_string, luaopen_math};
    static const char* const names[] = {"", LUA_LOADLIBNAME, LUA_TABLIBNAME, LUA_IOLIBNAME,
                                        LUA_OSLIBNAME, LUA_STRLIBNAME, LUA_MATHLIBNAME};
    for (size_t i = 0; i < sizeof(libraries) / sizeof(libraries[0]); ++i) {
        lua_pushcfunction(m_lua, libraries[i]);
        lua_pushstring(m_lua, names[i]);
        if (lua_pcall(m_lua, 1, 0, 0) != 0) {
            lua_close(m_lua);
            throw LuaException(Format("Failed to initialized Lua interpreter"));
        }
    }

    lua_pushlightuserdata(m_lua, this);
    lua_pushcclosure(m_lua, &LuaState::errorFunction, 1);
    lua_setglobal(m_lua, "error");

    lua_pushvalue(m_lua, LUA_GLOBALSINDEX);
    m_globals = LuaTable::fromStack(this, -1);
    lua_pop(m_lua, 1);
}

void* LuaState::allocate(void* user, void* block, size_t oldSize, size_t newSize)
{
    LuaState* state = static_cast<LuaState*>(user);
    if (newSize == 0) {
        std::free(block);
        state->m_allocated -= oldSize;
        return nullptr;
    }
    // Shrinking must never fail: the interpreter counts on it.
    if (newSize > oldSize && state->m_memoryLimit > 0 && state->m_allocated - oldSize + newSize > state->m_memoryLimit) {
        state->m_memoryRefused = true;
        return nullptr;
    }
    void* moved = std::realloc(block, newSize);
    if (moved)
        state->m_allocated = state->m_allocated - oldSize + newSize;
    return moved;
}

long LuaState::memoryBytes() const
{
    return static_cast<long>(lua_gc(m_lua, LUA_GCCOUNT, 0)) * 1024 + lua_gc(m_lua, LUA_GCCOUNTB, 0);
}

LuaState::~LuaState()
{
    m_dataGlobals = LuaTable();
    m_globals = LuaTable();
    lua_close(m_lua);
}

LuaState* LuaState::of(lua_State* lua)
{
    // The allocator's user pointer is the state: every thread of the interpreter, coroutines
    // included, shares it, and reading it is one load where the registry was a table lookup.
    return static_cast<LuaState*>(G(lua)->ud);
}

const char* LuaState::typeName(int type)
{
    static const char* const names[] = {"NIL", "BOOLEAN", "LIGHTUSERDATA", "NUMBER", "STRING",
                                        "TABLE", "FUNCTION", "USERDATA", "THREAD"};
    return type >= 0 && type <= 8 ? names[type] : "INVALID";
}

void LuaState::callStack(char* buffer, int capacity) const
{
    callStack(m_lua, buffer, capacity);
}

void LuaState::callStack(lua_State* lua, char* buffer, int capacity)
{
    int length = static_cast<int>(strnlen(buffer, static_cast<size_t>(capacity)));
    auto append = [&](const char* text) {
        while (*text && length < capacity - 1)
            buffer[length++] = *text++;
        if (capacity > 0)
            buffer[length < capacity ? length : capacity - 1] = 0;
    };
    int written = 0;
    lua_Debug info;
    for (int level = 1; level <= 10 && lua_getstack(lua, level, &info); ++level) {
        lua_getinfo(lua, "Sl", &info);
        if (written == 0)
            append("\nCall stack:\n");
        char line[LUA_IDSIZE + 32];
        std::snprintf(line, sizeof(line), "%s(%i)\n", info.short_src, info.currentline);
        append(line);
        ++written;
    }
    append(written > 0 ? "(end)\n" : " (call stack not available)");
}

String LuaState::errorText(lua_State* lua, int index)
{
    char text[2000];
    size_t length = 0;
    const char* message = nullptr;
    if (lua_type(lua, index) == LUA_TSTRING || lua_type(lua, index) == LUA_TNUMBER)
        message = lua_tolstring(lua, index, &length);
    else
        message = lua_isnoneornil(lua, index) ? "error called without a message" : "error with a non-text value";
    if (!length)
        length = std::strlen(message);
    if (length > MESSAGE_LIMIT)
        length = MESSAGE_LIMIT;
    std::memcpy(text, message, length);
    text[length] = 0;
    callStack(lua, text, sizeof(text));
    return String(text);
}

int LuaState::errorFunction(lua_State* lua)
{
    LuaState* state = static_cast<LuaState*>(lua_touserdata(lua, lua_upvalueindex(1)));
    // Built while the script frames still exist; raised once the catch-free text is ready.
    String text = errorText(lua, 1);
    state->holdException(std::make_exception_ptr(LuaException(Format("{0}", text))), text);
    lua_pushlstring(lua, text.c_str(), static_cast<size_t>(text.length()));
    text = String();
    return lua_error(lua);
}

int LuaState::messageHandler(lua_State* lua)
{
    LuaState* state = of(lua);
    // An error a native raised for an engine exception passes unchanged, so that
    // protectedCall knows it again.
    if (state->m_pending && lua_type(lua, 1) == LUA_TSTRING) {
        size_t length;
        const char* text = lua_tolstring(lua, 1, &length);
        if (state->isPendingText(text, length)) {
            lua_pushlstring(lua, state->m_pendingText.c_str(), static_cast<size_t>(state->m_pendingText.length()));
            return 1;
        }
    }
    String text = errorText(lua, 1);
    lua_pushlstring(lua, text.c_str(), static_cast<size_t>(text.length()));
    return 1;
}

bool LuaState::isPendingText(const char* text, size_t length) const
{
    const size_t pending = static_cast<size_t>(m_pendingText.length());
    if (length < pending || std::memcmp(text + (length - pending), m_pendingText.c_str(), pending) != 0)
        return false;
    // An error that leaves a coroutine through coroutine.wrap (or is re-raised by assert)
    // gets the calling line put before it, as "chunk:line: ": it is still the native's.
    size_t at = length - pending;
    if (at == 0)
        return true;
    if (at < 4 || text[--at] != ' ' || text[--at] != ':')
        return false;
    const size_t digitsEnd = at;
    while (at > 0 && text[at - 1] >= '0' && text[at - 1] <= '9')
        --at;
    return at < digitsEnd && at > 1 && text[at - 1] == ':';
}

int LuaState::panic(lua_State* lua)
{
    // Only reached by an error outside every protected call (memory exhaustion in a table
    // operation); the interpreter has reset its stack.
    const char* message = lua_tostring(lua, -1);
    throw LuaException(Format("{0}", message ? message : "unprotected error in the interpreter"));
}

String LuaState::holdException(std::exception_ptr exception, const String& message)
{
    m_pending = exception;
    m_pendingText = message;
    return message;
}

void LuaState::noteNativeFailure(const char* native, const String& message, const String& callStack)
{
    m_nativeFailure.native = native ? String(native) : String();
    m_nativeFailure.message = message;
    m_nativeFailure.callStack = callStack;
}

void LuaState::protectedCall(int nargs)
{
    const int function = lua_gettop(m_lua) - nargs;
    lua_pushcfunction(m_lua, &LuaState::messageHandler);
    lua_insert(m_lua, function);
    const int status = lua_pcall(m_lua, nargs, 0, function);
    if (status == 0) {
        lua_remove(m_lua, function);
        // An engine exception a script caught with its own pcall ends there.
        m_pending = nullptr;
        m_pendingText = String();
        return;
    }
    size_t length = 0;
    const char* text = lua_tolstring(m_lua, -1, &length);
    String message = text ? String(text, static_cast<int>(length)) : String("unknown error");
    lua_pop(m_lua, 2);
    std::exception_ptr pending = m_pending;
    bool same = pending && message == m_pendingText;
    m_pending = nullptr;
    m_pendingText = String();
    if (same)
        std::rethrow_exception(pending);
    if (status == LUA_ERRMEM)
        throw LuaException(Format("Out of memory in the interpreter"));
    throw LuaException(Format("{0}", message));
}

void LuaState::load(io::InputStream* in, int byteCount, const String& chunkName)
{
    ChunkReader reader{in, byteCount, {}, nullptr, String()};
    String name = "@" + chunkName;
    const int status = lua_load(m_lua, &readChunk, &reader, name.c_str());
    if (reader.failure)
        std::rethrow_exception(reader.failure);
    if (reader.precompiled) {
        throw LuaException(Format("Error while compiling Lua: {0}",
                                  chunkName + ": precompiled chunks are not accepted"));
    }
    if (status != 0) {
        const char* text = lua_tostring(m_lua, -1);
        throw LuaException(Format("Error while compiling Lua: {0}", text ? text : "unknown error"));
    }
}

void LuaState::run(const LuaTable* env, io::InputStream* in, int byteCount, const String& chunkName)
{
    StackGuard guard(m_lua);
    load(in, byteCount, chunkName);
    if (env) {
        checkType(-1, TYPE_FUNCTION);
        env->push();
        checkType(-1, TYPE_TABLE);
        lua_setfenv(m_lua, -2);
    }
    protectedCall(0);
}

void LuaState::checkSyntax(const String& text, const String& chunkName)
{
    StackGuard guard(m_lua);
    io::ByteArrayInputStream in(text.c_str(), text.length(), chunkName);
    load(&in, text.length(), chunkName);
}

void LuaState::runStream(io::InputStream* in, const LuaTable* env)
{
    run(env, in, in->available(), in->toString());
}

void LuaState::runString(const String& text, const String& chunkName, const LuaTable* env)
{
    io::ByteArrayInputStream in(text.c_str(), text.length(), chunkName);
    run(env, &in, text.length(), chunkName);
}

namespace {

const int BUDGET_STEP = 10000; // instructions between two looks at the budget

} // namespace

void LuaState::budgetHook(lua_State* lua, lua_Debug*)
{
    LuaState* state = of(lua);
    // A coroutine inherits the hook of the thread that made it, and one a data chunk made
    // may be resumed long after the chunk ended.
    if (!state->m_budgeted) {
        lua_sethook(lua, nullptr, 0, 0);
        return;
    }
    state->m_budgetLeft -= BUDGET_STEP;
    if (state->m_budgetLeft < 0)
        luaL_error(lua, "ran past its budget of %d instructions", static_cast<int>(state->m_budget));
}

namespace {

/// What a data chunk may not call freely: the pattern functions, whose cost no budget
/// bounds, and rep, whose count runs in one call.
const char* const GUARDED_STRING_FUNCTIONS[] = {"find", "match", "gmatch", "gsub", "rep"};

} // namespace

int LuaState::dataStringGuard(lua_State* lua)
{
    LuaState* state = of(lua);
    const char* name = lua_tostring(lua, lua_upvalueindex(2));
    if (state->m_budgeted) {
        if (std::strcmp(name, "rep") != 0)
            return luaL_error(lua, "string.%s is not available to data files: its matching can take longer than any budget",
                              name);
        // Each repetition is a step of a loop the instruction count never sees.
        const double count = lua_isnumber(lua, 2) ? static_cast<double>(lua_tonumber(lua, 2)) : 0.0;
        const long left = state->m_budgetLeft;
        if (count > 0) {
            if (count > static_cast<double>(left)) {
                const int budget = static_cast<int>(state->m_budget);
                return luaL_error(lua, "ran past its budget of %d instructions", budget);
            }
            state->m_budgetLeft = left - static_cast<long>(count);
        }
    }
    const int arguments = lua_gettop(lua);
    lua_pushvalue(lua, lua_upvalueindex(1));
    lua_insert(lua, 1);
    lua_call(lua, arguments, LUA_MULTRET);
    return lua_gettop(lua);
}

void LuaState::guardStringLibrary(bool guard)
{
    // The library as every string reaches it, whatever the globals now hold.
    StackGuard stack(m_lua);
    lua_pushliteral(m_lua, "");
    if (!lua_getmetatable(m_lua, -1))
        return;
    // Raw reads and writes: outside a protected call no metamethod may run.
    lua_pushliteral(m_lua, "__index");
    lua_rawget(m_lua, -2);
    if (!lua_istable(m_lua, -1))
        return;
    const int library = lua_gettop(m_lua);
    for (const char* name : GUARDED_STRING_FUNCTIONS) {
        lua_pushstring(m_lua, name);
        lua_rawget(m_lua, library);
        const bool guarded = lua_tocfunction(m_lua, -1) == &LuaState::dataStringGuard;
        if (guard && !guarded && lua_isfunction(m_lua, -1)) {
            lua_pushstring(m_lua, name);
            lua_pushcclosure(m_lua, &LuaState::dataStringGuard, 2);
            lua_pushstring(m_lua, name);
            lua_insert(m_lua, -2);
            lua_rawset(m_lua, library);
        } else if (!guard && guarded) {
            lua_pushstring(m_lua, name);
            lua_getupvalue(m_lua, -2, 1);
            lua_rawset(m_lua, library);
            lua_pop(m_lua, 1);
        } else {
            lua_pop(m_lua, 1);
        }
    }
}

const LuaTable& LuaState::dataGlobals()
{
    if (m_dataGlobals.isValid())
        return m_dataGlobals;
    // Read-only views: a level must not change math.random or string.format for the game.
    static const char* const MAKE = R"(
local function view(library, name)
    return setmetatable({}, {
        __index = library,
        __newindex = function() error(name .. " is read-only in a data file", 2) end,
        __metatable = false,
    })
end
made = {
    assert = assert, error = error, ipairs = ipairs, next = next, pairs = pairs, select = select,
    tonumber = tonumber, tostring = tostring, type = type, unpack = unpack,
    math = view(math, "math"), string = view(string, "string"), table = view(table, "table"),
}
)";
    LuaTable scratch(this);
    scratch.inheritFrom(m_globals);
    runString(MAKE, "data globals", &scratch);
    m_dataGlobals = scratch.getTable("made");
    return m_dataGlobals;
}

void LuaState::runData(const String& text, const String& chunkName, const LuaTable* env, long budget)
{
    // Not nested: data chunks call no engine code that runs another.
    m_budget = m_budgetLeft = budget;
    m_budgeted = true;
    lua_sethook(m_lua, &LuaState::budgetHook, LUA_MASKCOUNT, BUDGET_STEP);
    guardStringLibrary(true);
    m_memoryLimit = m_allocated + static_cast<size_t>(DATA_MEMORY);
    m_memoryRefused = false;
    try {
        runString(text, chunkName, env);
    } catch (...) {
        const bool refused = m_memoryRefused;
        m_budgeted = false;
        lua_sethook(m_lua, nullptr, 0, 0);
        m_memoryLimit = 0;
        guardStringLibrary(false);
        if (refused)
            throw LuaException(Format("{0}: ran past its memory budget of {1,0} bytes", chunkName, DATA_MEMORY));
        throw;
    }
    m_budgeted = false;
    lua_sethook(m_lua, nullptr, 0, 0);
    m_memoryLimit = 0;
    guardStringLibrary(false);
}

float LuaState::getNumber(int position)
{
    checkType(position, TYPE_NUMBER);
    return lua_tonumber(m_lua, position);
}

String LuaState::getString(int position)
{
    checkType(position, TYPE_STRING);
    size_t length;
    const char* text = lua_tolstring(m_lua, position, &length);
    return String(text, static_cast<int>(length));
}

bool LuaState::getBoolean(int position)
{
    checkType(position, TYPE_BOOLEAN);
    return lua_toboolean(m_lua, position) != 0;
}

LuaTable LuaState::getTable(int position)
{
    checkType(position, TYPE_TABLE);
    return LuaTable::fromStack(this, position);
}

void LuaState::newTable()
{
    lua_newtable(m_lua);
}

void LuaState::checkType(int position, int type)
{
    checkType(m_lua, position, type);
}

void LuaState::checkType(lua_State* lua, int position, int type)
{
    const int found = lua_type(lua, position);
    if (found != type)
        typeError(lua, position, type, found);
}

void LuaState::typeError(lua_State* lua, int position, int expected, int found)
{
    char stack[1000] = "";
    callStack(lua, stack, sizeof(stack));
    // A script calls many natives on one line: the name says which of them refused.
    const char* native = native::runningNative(lua);
    throw LuaException(Format("{0}Excepted type {1} at stack position {2} but found {3}",
                              native ? String(native) + ": " : String(), typeName(expected), position,
                              String(typeName(found)) + stack));
}

} // namespace lua
