#pragma once

#include <cstddef>
#include <utility>

namespace lang {

/// A counted reference to an Object (or anything with addReference/release).
template <class T>
class Ptr
{
public:
    Ptr() = default;
    Ptr(std::nullptr_t) {}
    Ptr(T* object) : m_object(object) { acquire(); }
    Ptr(const Ptr& other) : m_object(other.m_object) { acquire(); }
    Ptr(Ptr&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
    template <class U>
    Ptr(const Ptr<U>& other) : m_object(other.ptr()) { acquire(); }
    ~Ptr() { drop(); }

    Ptr& operator=(const Ptr& other) { return *this = other.m_object; }
    Ptr& operator=(Ptr&& other) noexcept
    {
        if (this != &other) {
            drop();
            m_object = other.m_object;
            other.m_object = nullptr;
        }
        return *this;
    }
    Ptr& operator=(T* object)
    {
        // Take the new reference first: assigning an object to itself must not free it.
        if (object)
            object->addReference();
        drop();
        m_object = object;
        return *this;
    }

    T* ptr() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    bool operator==(const Ptr& other) const { return m_object == other.m_object; }
    bool operator!=(const Ptr& other) const { return m_object != other.m_object; }
    bool operator==(const T* other) const { return m_object == other; }
    bool operator!=(const T* other) const { return m_object != other; }

private:
    T* m_object = nullptr;

    void acquire()
    {
        if (m_object)
            m_object->addReference();
    }
    void drop()
    {
        T* object = m_object;
        m_object = nullptr;
        if (object)
            object->release();
    }
};

} // namespace lang
