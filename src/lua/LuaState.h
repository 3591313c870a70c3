#pragma once

#include "lang/Object.h"
#include "lang/String.h"
#include "lua/LuaTable.h"

#include <exception>

struct lua_State;
struct lua_Debug;

namespace io {
class InputStream;
}

namespace lua {

/// One interpreter and its error reporting: the engine's only door to the scripts.
///
/// Every entry from the engine into the interpreter is a protected call. A script error
/// comes out of it as LuaException (message, then the script call stack); an engine
/// exception thrown by a native, however deep, comes out again as itself. Either way the
/// interpreter stays usable. Called on the process's main thread only. Scripts may run
/// coroutines: every error path reads the interpreter thread that raised the error.
class LuaState : public lang::Object
{
public:
    /// Interpreter type codes, as the type names of messages index them.
    enum Type { TYPE_NONE = -1, TYPE_NIL, TYPE_BOOLEAN, TYPE_LIGHTUSERDATA, TYPE_NUMBER, TYPE_STRING, TYPE_TABLE,
                TYPE_FUNCTION, TYPE_USERDATA, TYPE_THREAD };

    /// Opens base, package, table, io, os, string and math (not debug) and replaces
    /// `error`. Throws LuaException "Failed to initialized Lua interpreter".
    LuaState();
    ~LuaState() override;

    LuaState(const LuaState&) = delete;
    LuaState& operator=(const LuaState&) = delete;

    /// Compiles the next byteCount bytes of in as a chunk named chunkName (text only; a
    /// precompiled chunk is refused), gives it env as its environment when env holds a
    /// table, and runs it. Throws LuaException "Error while compiling Lua: {0}" or the
    /// error of the run.
    void run(const LuaTable* env, io::InputStream* in, int byteCount, const lang::String& chunkName);
    /// run() over everything available in `in`, named after the stream.
    void runStream(io::InputStream* in, const LuaTable* env);
    /// run() over a text held in memory.
    void runString(const lang::String& text, const lang::String& chunkName, const LuaTable* env = nullptr);
    /// Compiles text as run() would, without running it: throws the same LuaException
    /// "Error while compiling Lua: {chunkName}:{line}: ..." for a syntax error.
    void checkSyntax(const lang::String& text, const lang::String& chunkName);

    /// The interpreter instructions a chunk run as data (a level, saved settings) may take
    /// before it fails with a script error "... ran past its budget of N instructions": a
    /// broken file with an endless loop must fail, not hang the game.
    static const long DATA_BUDGET = 50000000;
    /// The bytes a data chunk may add to the interpreter's heap before an allocation fails
    /// with LuaException "{chunkName}: ran past its memory budget of N bytes": a few bytes
    /// such as ("x"):rep(2^30) must not take the machine's memory, whose single call the
    /// instruction budget can't stop.
    static const long DATA_MEMORY = 32L << 20;
    /// runString() that fails once the chunk has run budget instructions or grown the heap
    /// by DATA_MEMORY bytes. While it runs, the string library's pattern functions (find,
    /// match, gmatch, gsub) fail with a script error: their matching runs inside one call,
    /// where no instruction is counted, and a 40-byte pattern can take hours. string.rep
    /// counts its repetitions against the budget for the same reason.
    void runData(const lang::String& text, const lang::String& chunkName, const LuaTable* env, long budget = DATA_BUDGET);

    /// The bytes the interpreter holds now (what collectgarbage("count") tells in KB).
    long memoryBytes() const;

    /// The global table.
    LuaTable& globals() { return m_globals; }
    /// What a data chunk from outside the game (a level a player installed) may read in
    /// place of the globals: assert, error, ipairs, next, pairs, select, tonumber, tostring,
    /// type, unpack and read-only views of math, string and table. Nothing reaches files,
    /// commands, the environment, other chunks' code or the game's own tables. Made once.
    const LuaTable& dataGlobals();

    // Strict access to the main thread's stack. Each throws the type error
    // "Excepted type {0} at stack position {1} but found {2}{3}". A native that may run in a
    // coroutine reads its arguments through NativeCall instead.
    float getNumber(int position);
    lang::String getString(int position);
    bool getBoolean(int position);
    LuaTable getTable(int position);
    /// Pushes a new empty table.
    void newTable();
    void checkType(int position, int type);
    /// The type error, found type and call stack taken from the thread lua, unless the value
    /// at position on lua's stack has the type.
    static void checkType(lua_State* lua, int position, int type);
    /// The type error for a value of type found at position, with the call stack of lua;
    /// raised while a native runs, it starts with the native's name ("createBox: Excepted
    /// type ...").
    [[noreturn]] static void typeError(lua_State* lua, int position, int expected, int found);

    /// Appends the main thread's script call stack (levels 1 to 10) to the zero-terminated
    /// text in buffer, never writing past capacity.
    void callStack(char* buffer, int capacity) const;
    /// The same for the script call stack of the interpreter thread lua.
    static void callStack(lua_State* lua, char* buffer, int capacity);

    /// The raw interpreter (its main thread), for raw natives and the bridge's own classes.
    lua_State* interpreter() const { return m_lua; }
    /// The LuaState that owns an interpreter, given any of its threads.
    static LuaState* of(lua_State* lua);

    /// The name of a type code in messages ("NUMBER", ...; "INVALID" for others).
    static const char* typeName(int type);

    /// Calls the function below nargs arguments on the stack, protected, with no results.
    /// Throws what the call raised (see the class comment). Pops the function and arguments.
    void protectedCall(int nargs);

    /// For the native boundary: holds the exception a native caught until the protected
    /// call that the script runs in can throw it again. Returns its message.
    lang::String holdException(std::exception_ptr exception, const lang::String& message);

    /// Where an exception raised in a native left the scripts. An engine exception comes out
    /// of the engine's call as itself, carrying neither the native's name nor the script
    /// call stack; a report of it finds them here, matched by its message.
    struct NativeFailure
    {
        lang::String native;    ///< the name the native was registered under; "" when unknown
        lang::String message;   ///< the exception's message
        lang::String callStack; ///< "\nCall stack:\nfile(line)\n...(end)\n" of the calling thread
    };
    /// The last failure a native raised; kept until the next one (a script's pcall does not
    /// clear it).
    const NativeFailure& lastNativeFailure() const { return m_nativeFailure; }
    /// For the native boundary: records a failure as it is raised.
    void noteNativeFailure(const char* native, const lang::String& message, const lang::String& callStack);

private:
    lua_State* m_lua = nullptr;
    LuaTable m_globals;
    LuaTable m_dataGlobals;
    std::exception_ptr m_pending;
    long m_budget = 0;     ///< the budget of the data chunk running
    long m_budgetLeft = 0; ///< instructions it may still run, counted in hook steps
    bool m_budgeted = false; ///< whether a data chunk runs: coroutines keep the hook after it
    size_t m_allocated = 0;    ///< the bytes the interpreter holds, as its allocator counts them
    size_t m_memoryLimit = 0;  ///< the most it may hold while a data chunk runs; 0 for no limit
    bool m_memoryRefused = false; ///< whether the limit refused an allocation since it was set
    lang::String m_pendingText;
    NativeFailure m_nativeFailure;

    /// Compiles a chunk onto the stack; throws as run() does.
    void load(io::InputStream* in, int byteCount, const lang::String& chunkName);
    static int errorFunction(lua_State* lua);
    static int messageHandler(lua_State* lua);
    static int panic(lua_State* lua);
    static void budgetHook(lua_State* lua, lua_Debug* info);
    /// Stands in for a function of the string library while a data chunk runs (upvalues:
    /// the function, its name); called afterwards, it is the function itself.
    static int dataStringGuard(lua_State* lua);
    /// Puts the guards in the string library (or takes them out again).
    void guardStringLibrary(bool guard);
    /// The interpreter's allocator: counts the bytes it holds and refuses growth past the
    /// limit of a data chunk (the interpreter then raises its memory error).
    static void* allocate(void* user, void* block, size_t oldSize, size_t newSize);
    static lang::String errorText(lua_State* lua, int index);
    bool isPendingText(const char* text, size_t length) const;
};

} // namespace lua
