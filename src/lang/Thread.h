#pragma once

#include "lang/Func.h"
#include "lang/Object.h"

#include <pthread.h>

namespace lang {

/// A thread that runs a bound body once.
///
/// The body is copied and started at construction. Anything the body throws ends the
/// thread quietly. With joinOnDestroy the destructor waits for the body to return, so the
/// owner must tell the body to stop first; without it the thread runs on detached.
class Thread : public Object
{
public:
    /// Starts the thread; throws Exception "Creating thread failed" when it can't.
    Thread(const FuncBase& body, bool joinOnDestroy);
    ~Thread() override;

    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    /// The priority level last set (0 is normal; above is more urgent).
    int getPriority() const { return m_priority; }
    /// Asks the system for a priority level. Raising it may need privileges the process
    /// lacks; that failure is ignored and the thread keeps its priority.
    void setPriority(int level);

    /// Suspends the calling thread.
    static void sleep(int milliseconds);

private:
    pthread_t m_handle;
    bool m_joinOnDestroy;
    int m_priority = 0;
};

} // namespace lang
