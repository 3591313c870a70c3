#pragma once

#include "lang/Object.h"
#include "lang/Ptr.h"

#include <mutex>

namespace lang {

/// A recursive mutex. Copies share one implementation and so lock the same mutex.
///
/// The holding thread may lock again and must unlock as often. Copy a Mutex on one thread
/// before handing it to another: the shared count is not atomic.
class Mutex
{
public:
    Mutex();

    /// Waits without limit until the mutex is held.
    void lock() { m_impl->mutex.lock(); }
    /// Takes the mutex if it is free at once (or held by this thread); returns whether it was taken.
    bool tryLock() { return m_impl->mutex.try_lock(); }
    /// Releases one level of holding.
    void unlock() { m_impl->mutex.unlock(); }

    class MutexImpl : public Object
    {
    public:
        std::recursive_mutex mutex;
    };

private:
    Ptr<MutexImpl> m_impl;
};

/// Holds a Mutex for a scope.
class MutexLock
{
public:
    explicit MutexLock(Mutex& mutex) : m_mutex(mutex) { m_mutex.lock(); }
    ~MutexLock() { m_mutex.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& m_mutex;
};

} // namespace lang
