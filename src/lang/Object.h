#pragma once

namespace lang {

/// The base of every shared engine object: a virtual destructor and a reference count.
///
/// Counts are not atomic: one thread uses an object at a time, and objects that two
/// threads meet are guarded by a Mutex or handed over while both agree. Atomic counts
/// would tax every copy of a Ptr on the main thread for a case the engine never has.
class Object
{
public:
    Object() = default;
    /// A copy is a new object: it starts unreferenced.
    Object(const Object&) {}
    Object& operator=(const Object&) { return *this; }
    virtual ~Object() = default;

    /// Takes one reference.
    void addReference() { ++m_refs; }
    /// Drops one reference; the holder that brings the count from 1 to 0 destroys the object.
    void release()
    {
        if (--m_refs == 0)
            delete this;
    }
    /// The number of references held now.
    int references() const { return m_refs; }

private:
    int m_refs = 0;
};

} // namespace lang
