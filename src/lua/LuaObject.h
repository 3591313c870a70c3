#pragma once

#include "lua/LuaInvoker.h"
#include "lua/LuaTable.h"

namespace lua {

/// The script table of one engine object, carrying its native methods.
///
/// The table holds [0] = the object's address, _G = the global table and this = the table
/// itself. Scripts call the object's methods as fields of it.
class LuaObject : public LuaTable
{
public:
    /// Creates the table. state is not counted: it must outlive the object.
    explicit LuaObject(LuaState* state);

    /// Stores under name a native closure that calls method on object. The method may take
    /// float, String, std::string_view (a text only looked at, not kept) and bool arguments
    /// and return nothing or one float, int, bool or String; or it may take the raw call
    /// (int method(NativeCall&)), read its arguments and push its results itself, and
    /// return their number. A failing argument check or any engine exception the method
    /// throws becomes a script error, and comes out of the engine's call into the script as
    /// itself.
    template <class T, class Method>
    void registerMethod(const char* name, T* object, Method method)
    {
        registerNative(name, object, &method, sizeof(method), &Invoker<Method>::invoke);
    }

private:
    void registerNative(const char* name, void* object, const void* method, size_t methodSize, NativeFunction invoke);
};

} // namespace lua
