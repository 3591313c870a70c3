#include "lang/Thread.h"

#include "lang/Exception.h"

#include <chrono>
#include <sched.h>
#include <thread>

namespace lang {

namespace {

void* threadEntry(void* cell)
{
    FuncBase* body = static_cast<FuncBase*>(cell);
    try {
        body->invoke();
    } catch (...) {
        // A failing body ends its thread and nothing else; the engine logs nothing here.
    }
    delete body;
    return nullptr;
}

} // namespace

Thread::Thread(const FuncBase& body, bool joinOnDestroy) : m_handle(), m_joinOnDestroy(joinOnDestroy)
{
    FuncBase* cell = body.clone();
    if (pthread_create(&m_handle, nullptr, threadEntry, cell) != 0) {
        delete cell;
        throw Exception(Format("Creating thread failed"));
    }
}

Thread::~Thread()
{
    if (m_joinOnDestroy)
        pthread_join(m_handle, nullptr);
    else
        pthread_detach(m_handle);
}

void Thread::setPriority(int level)
{
    m_priority = level;
    sched_param param{};
    int policy = SCHED_OTHER;
    if (level > 0) {
        // Only the real-time policies have levels above normal on Linux.
        policy = SCHED_RR;
        int highest = sched_get_priority_max(SCHED_RR);
        param.sched_priority = level < highest ? level : highest;
    }
    pthread_setschedparam(m_handle, policy, &param);
}

void Thread::sleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0));
}

} // namespace lang
