#include "lang/Exception.h"
#include "lang/Func.h"
#include "lang/Mutex.h"
#include "lang/Ptr.h"
#include "lang/Thread.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace lang;

namespace {

class Counted : public Object
{
public:
    explicit Counted(int* destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

class Base
{
public:
    virtual ~Base() = default;
    void bump() { ++count; }
    int count = 0;
};

class Worker : public Object, public Base
{
public:
    std::atomic<bool> started{false};
    std::atomic<bool> stop{false};
    String received;

    void append(String text)
    {
        text += "!"; // changes only this call's copy
        received += text;
    }
    void spin()
    {
        started = true;
        while (!stop)
            Thread::sleep(1);
    }
    void fail() { throw Exception(Format("body failed")); }
    void holdMutex()
    {
        mutex.lock();
        started = true;
        while (!stop)
            Thread::sleep(1);
        mutex.unlock();
    }
    void tryMutex() { tryResult = mutex.tryLock(); if (tryResult) mutex.unlock(); }

    Mutex mutex;
    std::atomic<bool> tryResult{false};
};

void waitFor(const std::atomic<bool>& flag)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!flag && std::chrono::steady_clock::now() < deadline)
        Thread::sleep(1);
    ASSERT_TRUE(flag.load());
}

} // namespace

TEST(Ptr, CountsReferencesAndDestroysAtZero)
{
    int destroyed = 0;
    {
        Ptr<Counted> a = new Counted(&destroyed);
        EXPECT_EQ(a->references(), 1);
        Ptr<Counted> b = a;
        EXPECT_EQ(a->references(), 2);
        b = a; // self-assignment through another holder
        b = b;
        EXPECT_EQ(a->references(), 2);
        Ptr<Object> base = a;
        EXPECT_EQ(a->references(), 3);
        b = nullptr;
        Ptr<Counted> moved = std::move(a);
        EXPECT_EQ(moved->references(), 2);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(Func, BindsBaseClassMethodsAndCopiesTheArgument)
{
    Worker worker;
    Func1<Base> bump(&worker, &Base::bump);
    std::unique_ptr<FuncBase> copy(bump.clone());
    bump.invoke();
    copy->invoke();
    EXPECT_EQ(worker.count, 2);

    Func2<Worker> append(&worker, &Worker::append, "a");
    append.invoke();
    append.invoke(); // the bound String is passed fresh each time
    EXPECT_EQ(worker.received, "a!a!");
}

TEST(Thread, RunsTheBodyAndJoinsOnDestroy)
{
    Worker worker;
    {
        Thread thread(Func1<Worker>(&worker, &Worker::spin), true);
        waitFor(worker.started);
        worker.stop = true;
    } // joins here
    worker.stop = false;
    worker.started = false;
    Ptr<Thread> thread = new Thread(Func1<Worker>(&worker, &Worker::bump), true);
    Thread::sleep(20);
    auto before = std::chrono::steady_clock::now();
    thread = nullptr; // the body has returned: destruction does not wait
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(worker.count, 1);
}

TEST(Thread, AThrowingBodyEndsQuietly)
{
    LogCapture log; // the exception's creation line goes here, not to the test output
    Worker worker;
    {
        Thread thread(Func1<Worker>(&worker, &Worker::fail), true);
    }
    EXPECT_NE(log.text().find("body failed"), std::string::npos);
}

TEST(Thread, PriorityFailureIsIgnored)
{
    Worker worker;
    Thread thread(Func1<Worker>(&worker, &Worker::spin), true);
    thread.setPriority(2); // needs privileges we may lack
    EXPECT_EQ(thread.getPriority(), 2);
    thread.setPriority(0);
    worker.stop = true;
}

TEST(Mutex, IsRecursiveAndSharedByCopies)
{
    Worker worker;
    Mutex copy = worker.mutex;
    ASSERT_TRUE(worker.mutex.tryLock());
    EXPECT_TRUE(copy.tryLock()); // the same mutex, held by this thread
    {
        Thread other(Func1<Worker>(&worker, &Worker::tryMutex), true);
    }
    EXPECT_FALSE(worker.tryResult.load());
    copy.unlock();
    worker.mutex.unlock();
    {
        Thread other(Func1<Worker>(&worker, &Worker::tryMutex), true);
    }
    EXPECT_TRUE(worker.tryResult.load());
}

TEST(Mutex, TryLockFromAnotherThreadFailsAtOnce)
{
    Worker worker;
    Thread holder(Func1<Worker>(&worker, &Worker::holdMutex), true);
    waitFor(worker.started);
    auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(worker.mutex.tryLock());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    worker.stop = true;
    {
        MutexLock hold(worker.mutex); // waits for the holder to let go
        EXPECT_TRUE(worker.stop.load());
    }
}
