#include "WindowFixture.h"

#include "framework/Clock.h"

#include <deque>

using framework::FrameState;

namespace {

/// A clock that reads from a script of times and advances 1 ms per sleep.
class DrivenClock : public framework::Clock
{
public:
    std::deque<int64_t> readings;
    int64_t now = 0;
    int sleeps = 0;

    int64_t microseconds() override
    {
        if (!readings.empty()) {
            now = readings.front();
            readings.pop_front();
        }
        return now;
    }
    void sleepMillisecond() override
    {
        ++sleeps;
        now += 1000;
    }
};

} // namespace

TEST_F(WindowTest, DtIsMeasuredAndClamped)
{
    open();
    drain();
    FrameState::current().active = true;
    app->quitAfter = 4;
    DrivenClock clock;
    // start, then four frames: 20 ms, a 5 s pause, backwards, 50 ms
    clock.readings = {0, 20000, 5020000, 4000000, 4050000};
    EXPECT_EQ(framework::frameLoop(platform, clock, 0), 0);
    ASSERT_EQ(app->frames.size(), 4u);
    EXPECT_FLOAT_EQ(app->frames[0], 0.02f);
    EXPECT_FLOAT_EQ(app->frames[1], 0.1f);
    EXPECT_FLOAT_EQ(app->frames[2], 0.0f);
    EXPECT_FLOAT_EQ(app->frames[3], 0.05f);
    EXPECT_FLOAT_EQ(context().time(), 0.17f);
    EXPECT_EQ(clock.sleeps, 0); // no cap, no sleep
}

TEST_F(WindowTest, FrameCapSleepsFromTheFrameStart)
{
    open();
    drain();
    FrameState::current().active = true;
    app->quitAfter = 3;
    DrivenClock clock;
    EXPECT_EQ(framework::frameLoop(platform, clock, 60), 0);
    // Each frame starts at a whole millisecond at least 16 666 us after the last.
    EXPECT_EQ(app->frames.size(), 3u);
    for (size_t i = 1; i < app->frames.size(); ++i)
        EXPECT_GE(app->frames[i], 0.016666f);
    EXPECT_EQ(clock.sleeps, 3 * 17);
}

TEST_F(WindowTest, QuitRequestEndsTheLoopAfterThatFrame)
{
    open();
    drain();
    FrameState::current().active = true;
    app->quitAfter = 1;
    DrivenClock clock;
    EXPECT_EQ(framework::frameLoop(platform, clock, 0), 0);
    EXPECT_EQ(app->frames.size(), 1u); // the frame ran whole (and was presented)
}

TEST_F(WindowTest, AnInactiveWindowRunsNoFrames)
{
    open();
    drain();
    FrameState::current().active = false;
    platform.postQuit(3);
    DrivenClock clock;
    EXPECT_EQ(framework::frameLoop(platform, clock, 0), 3);
    EXPECT_TRUE(app->frames.empty());
}

// An automated play must not depend on how fast the machine draws: one frame time per frame,
// and no waiting even under a cap.
class FixedFrames : public WindowTest
{
protected:
    void expectFrames(int frameRate, float frameTime)
    {
        open();
        drain();
        FrameState::current().active = true;
        app->quitAfter = 3;
        DrivenClock clock;
        clock.readings = {0, 20000, 5020000, 4000000};
        EXPECT_EQ(framework::frameLoop(platform, clock, frameRate, true), 0);
        ASSERT_EQ(app->frames.size(), 3u);
        for (float dt : app->frames)
            EXPECT_FLOAT_EQ(dt, frameTime);
        EXPECT_EQ(clock.sleeps, 0);
    }
};

TEST_F(FixedFrames, AreOneFrameOfTheCapAndNeverWait) { expectFrames(30, 1.0f / 30); }

TEST_F(FixedFrames, AreASixtiethWhenUncapped) { expectFrames(0, 1.0f / 60); }
