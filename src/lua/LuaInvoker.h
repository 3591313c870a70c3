#pragma once

#include "lang/Throwable.h"
#include "lang/String.h"
#include "lua/NativeCall.h"

#include <cstring>
#include <exception>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

struct lua_State;

namespace lua {

using NativeFunction = int (*)(lua_State*);

/// The native side of a script call, for the invokers: upvalues, strict arguments and
/// results, without the interpreter's headers.
namespace native {

/// The bound object, and the member-function pointer's two words (address and
/// adjustment), from the closure's upvalues.
void* target(lua_State* lua, void* method[2]);

/// The method bound to the running native, with the object it is called on.
template <class T, class Method>
T* bound(lua_State* lua, Method* method)
{
    static_assert(sizeof(Method) <= 2 * sizeof(void*), "unexpected member pointer size");
    void* words[2];
    T* object = static_cast<T*>(target(lua, words));
    // A copy of constant size: no call on the hottest path between scripts and engine.
    std::memcpy(method, words, sizeof(Method));
    return object;
}
/// The name the running native was registered under, or null when the function running on
/// lua is not one of ours (top level, a library function).
const char* runningNative(lua_State* lua);

float argument(lua_State* lua, int position, float*);
int argument(lua_State* lua, int position, int*);
bool argument(lua_State* lua, int position, bool*);
lang::String argument(lua_State* lua, int position, lang::String*);
/// A text argument as a view of the interpreter's string, valid while the native runs: a
/// native that only looks a name up takes this and copies nothing.
std::string_view argument(lua_State* lua, int position, std::string_view*);

void push(lua_State* lua, float value);
void push(lua_State* lua, int value);
void push(lua_State* lua, bool value);
void push(lua_State* lua, const lang::String& value);

/// Raises the script error for an exception a native caught, after its catch block has
/// been left; the protected call the script runs in throws the exception again.
[[noreturn]] void raise(lua_State* lua, std::exception_ptr exception);

/// Runs body at the native boundary: engine and standard exceptions become script errors.
/// Nothing else is caught, so the interpreter's own error unwinds untouched.
template <class Body>
int guarded(lua_State* lua, Body&& body)
{
    std::exception_ptr failure;
    try {
        return body();
    } catch (const lang::Throwable&) {
        failure = std::current_exception();
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    raise(lua, failure);
}

} // namespace native

/// Turns a member function into a native closure body (see LuaObject::registerMethod).
template <class Method>
struct Invoker;

template <class T, class R, class... A>
struct Invoker<R (T::*)(A...)>
{
    using Method = R (T::*)(A...);

    static int invoke(lua_State* lua)
    {
        return native::guarded(lua, [lua] {
            Method method;
            T* object = native::bound<T>(lua, &method);
            return call(lua, object, method, std::index_sequence_for<A...>());
        });
    }

    template <size_t... I>
    static int call(lua_State* lua, T* object, Method method, std::index_sequence<I...>)
    {
        // Arguments are read in order, the first at stack position 1.
        std::tuple<std::decay_t<A>...> args{
            native::argument(lua, static_cast<int>(I) + 1, static_cast<std::decay_t<A>*>(nullptr))...};
        if constexpr (std::is_void_v<R>) {
            (object->*method)(std::get<I>(std::move(args))...);
            return 0;
        } else {
            native::push(lua, (object->*method)(std::get<I>(std::move(args))...));
            return 1;
        }
    }
};

/// The raw form: the method reads its arguments and pushes its results through the call,
/// on the thread that made it, and returns the number of results.
template <class T>
struct Invoker<int (T::*)(NativeCall&)>
{
    using Method = int (T::*)(NativeCall&);

    static int invoke(lua_State* lua)
    {
        return native::guarded(lua, [lua] {
            Method method;
            T* object = native::bound<T>(lua, &method);
            NativeCall call(lua);
            return (object->*method)(call);
        });
    }
};

} // namespace lua
