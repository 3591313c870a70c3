#pragma once

#include "gr/Context.h"
#include "lang/Ptr.h"

#include <chrono>
#include <functional>

namespace framework {

class App;
struct Config;
class Clock;
class OSInterface;
class Platform;

/// Makes the game application once the window and context exist.
using AppFactory = std::function<App*(OSInterface* os, gr::Context* context)>;
/// Runs once the configuration is read, before the window is made: what the game can start
/// early, on other threads, while the main thread waits on the window system and the driver.
using BeforeWindow = std::function<void(const Config& config)>;

/// The process's frame state, shared by the frame loop and the window layer.
struct FrameState
{
    lang::Ptr<gr::Context> context;
    bool active = false;     ///< the window has the focus
    bool fullScreen = false;
    bool mouseCaptured = false;
    bool error = false;      ///< a fatal error has been reported
    bool shutDown = false;
    /// When start-up began, on the process's steady clock: the frame loop's clock is the
    /// game's time, and tests script its readings.
    std::chrono::steady_clock::time_point startedAt;
    bool drawnOnce = false;  ///< the first frame has been drawn and reported

    static FrameState& current();
};

/// The process: start-up, the frame loop, the fatal error report and shutdown, run over a
/// platform. Returns the process exit code: the quit message's, or 1 after a fatal error.
int run(int argc, char** argv, Platform& platform, Clock& clock, const AppFactory& makeApp,
        const BeforeWindow& beforeWindow = nullptr);

/// One frame of dt seconds (before clamping): mouse capture, the context clock, update,
/// and the quit request. Returns whether the game's update ran (a context was ready to draw
/// in). Exposed for the frame loop's tests.
bool frameStep(Platform& platform, float dt);

/// Runs frames until a quit message arrives; returns its exit code. With fixedFrames every
/// frame counts as one frame time (1 / frameRate, or 1/60 s when uncapped) and frames run
/// back to back, so an automated play takes as long as the machine needs to draw it.
/// The first frame drawn is logged with the time since start-up began.
int frameLoop(Platform& platform, Clock& clock, int frameRate, bool fixedFrames = false);

} // namespace framework
