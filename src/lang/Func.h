#pragma once

#include "lang/String.h"

// g++'s vptr check takes the this-adjusted object of a pointer to a member of a
// non-primary base for the derived type, and reports a valid call.
#if defined(__GNUC__) && !defined(__clang__)
#define PELTERRA_NO_VPTR_CHECK __attribute__((no_sanitize("vptr")))
#else
#define PELTERRA_NO_VPTR_CHECK
#endif

namespace lang {

/// A bound call, used as a thread body or a deferred call.
class FuncBase
{
public:
    /// Makes the call.
    virtual void invoke() = 0;
    /// A new copy on the heap, owned by the caller.
    virtual FuncBase* clone() const = 0;
    virtual ~FuncBase() = default;
};

/// Calls a member function without arguments on an object. The pointer to member keeps
/// the object-address adjustment, so methods of any base class of T can be bound.
template <class T>
class Func1 : public FuncBase
{
public:
    using Method = void (T::*)();

    /// object is not owned: it must outlive every invocation.
    Func1(T* object, Method method) : m_object(object), m_method(method) {}

    PELTERRA_NO_VPTR_CHECK void invoke() override { (m_object->*m_method)(); }
    FuncBase* clone() const override { return new Func1(*this); }

private:
    T* m_object;
    Method m_method;
};

/// Calls a member function with one String, a fresh copy of the bound one at each call.
template <class T>
class Func2 : public FuncBase
{
public:
    using Method = void (T::*)(String);

    /// object is not owned: it must outlive every invocation.
    Func2(T* object, Method method, const String& argument) : m_object(object), m_method(method), m_argument(argument) {}

    PELTERRA_NO_VPTR_CHECK void invoke() override { (m_object->*m_method)(m_argument); }
    FuncBase* clone() const override { return new Func2(*this); }

private:
    T* m_object;
    Method m_method;
    String m_argument;
};

} // namespace lang
