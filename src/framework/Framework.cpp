#include "framework/Framework.h"

#include "framework/App.h"
#include "framework/Clock.h"
#include "framework/Config.h"
#include "framework/OSInterface.h"
#include "framework/Platform.h"
#include "hgr/DefaultResourceManager.h"
#include "io/AppData.h"
#include "lang/Debug.h"
#include "lang/Throwable.h"

#include <chrono>
#include <exception>

using lang::String;

namespace framework {

namespace {

/// An argument made absolute against the directory the process started in, so that
/// changing directory later does not change what it names.
String absolute(const String& path, const String& base)
{
    if (path.startsWith("/") || base.isEmpty())
        return path;
    return base + "/" + path;
}

/// Start-up: returns -1 to go on to the frame loop, or the exit code to end with.
int startUp(int argc, char** argv, Platform& platform, const AppFactory& makeApp, const BeforeWindow& beforeWindow)
{
    FrameState& frame = FrameState::current();
    Config& config = Config::current();
    // There is no finer timer resolution to ask for on this platform.

    const String startDirectory = platform.workingDirectory();
    String configPath = "config.lua";
    if (argc > 1) {
        configPath = absolute(argv[1], startDirectory);
        int slash = configPath.lastIndexOf('/');
        if (slash > 0)
            platform.changeWorkingDirectory(configPath.substring(0, slash));
    } else {
        // Without an argument the configuration sits next to the program.
        String program = platform.programPath();
        int slash = program.lastIndexOf('/');
        if (slash > 0)
            platform.changeWorkingDirectory(program.substring(0, slash));
    }
    lang::log("Current working directory is %.512s\n", platform.workingDirectory().c_str());

    OSInterface* os = platform.os();
    for (int i = 0; i < argc; ++i) {
        os->addArgument(argv[i]);
        lang::log("Argv[%d]: %s\n", i, argv[i]);
    }

    config = Config();
    config.read(configPath, os->getResourcePath());
    for (int i = 2; i < argc; ++i)
        if (String(argv[i]) == "--fixed-frames")
            config.fixedFrames = true;

    if (config.singleton) {
        // The program's real path: the same game started through another relative path
        // or a link is still the same instance.
        String name = platform.programPath();
        if (!platform.claimSingleInstance(name)) {
            lang::log("Another instance of %s is running; raising its window is not possible here\n", name.c_str());
            return 0;
        }
    }

    platform.initCursors(config.showCursor);
    if (!config.publisher.isEmpty() && !config.product.isEmpty())
        io::setApplicationDataPath(platform.applicationDataDirectory(config.publisher, config.product));

    if (beforeWindow)
        beforeWindow(config);

    frame.mouseCaptured = false;
    frame.fullScreen = config.fullScreen;
    if (!platform.createWindow(argc > 0 ? argv[0] : "pelterra", config.width, config.height, config.fullScreen)) {
        platform.showErrorBox("Failed to create main window", "Error");
        return 1;
    }

    frame.context = platform.createContext(config.renderers, config.orientation);
    if (!config.publisher.isEmpty() && !config.product.isEmpty())
        frame.context->setProgramCacheDirectory(platform.cacheDirectory(config.publisher, config.product));
    if (config.frameRate == 0 || config.fixedFrames)
        frame.context->setVsync(false);
    platform.updateTitle();
    int monitorWidth = 0, monitorHeight = 0;
    platform.monitorSize(&monitorWidth, &monitorHeight);
    frame.context->setWindowSize(monitorWidth, monitorHeight);

    hgr::DefaultResourceManager::install(new hgr::DefaultResourceManager(frame.context.ptr()));
    makeApp(os, frame.context.ptr());

    App* app = App::current();
    int x = 0, y = 0;
    if (app && !frame.mouseCaptured && platform.cursorPosition(&x, &y)) {
        platform.orientPoint(&x, &y);
        app->mouseMoved(x, y);
    }
    platform.armMouseLeave();
    if (app) {
        app->activate(frame.active);
        app->activateAudio(frame.active);
    }
    return -1;
}

void shutDown(Platform& platform)
{
    FrameState& frame = FrameState::current();
    if (frame.shutDown)
        return;
    frame.shutDown = true;
    platform.releaseCursorClip();
    hgr::DefaultResourceManager::install(nullptr);
    Config::current() = Config();
    delete App::current();
    io::setApplicationDataPath(String());
    frame.context = nullptr;
    platform.destroyWindow();
}

void reportFatal(Platform& platform, const String& message)
{
    FrameState::current().error = true;
    platform.prepareForErrorBox();
    platform.showErrorBox(message, "Error!");
}

} // namespace

FrameState& FrameState::current()
{
    static FrameState state;
    return state;
}

bool frameStep(Platform& platform, float dt)
{
    FrameState& frame = FrameState::current();
    App* app = App::current();
    if (!app)
        return false;
    gr::Context* context = frame.context.ptr();
    if (frame.mouseCaptured) {
        bool release = !context || !context->isReady() || app->quitRequested();
        platform.holdMouse(!release);
    }
    if (!context || !context->isReady())
        return false;
    if (dt < 0)
        dt = 0;
    if (dt > 0.1f)
        dt = 0.1f;
    context->setTime(context->time() + dt);
    app->update(dt, context, 3);
    if (app->quitRequested()) {
        platform.holdMouse(false);
        platform.postQuit(0);
    }
    return true;
}

int frameLoop(Platform& platform, Clock& clock, int frameRate, bool fixedFrames)
{
    const float fixedStep = fixedFrames ? 1.0f / static_cast<float>(frameRate > 0 ? frameRate : 60) : 0.0f;
    FrameState& frame = FrameState::current();
    int64_t last = clock.microseconds();
    int exitCode = 0;
    while (!platform.quitReceived(&exitCode)) {
        if (!frame.active) {
            // Inactive: no frames run; the clamp absorbs the gap when they start again.
            platform.waitMessage();
            continue;
        }
        if (platform.pollMessage())
            continue;
        const int64_t now = clock.microseconds();
        const float dt = fixedFrames ? fixedStep : static_cast<float>(now - last) * 1e-6f;
        last = now;
        if (frameStep(platform, dt) && !frame.drawnOnce) {
            // The figure a player feels as start-up; benchmarks read this line too.
            frame.drawnOnce = true;
            const std::chrono::duration<double, std::milli> since = std::chrono::steady_clock::now() - frame.startedAt;
            lang::log("First frame drawn %.1f ms after start-up began\n", since.count());
        }
        if (frameRate > 0 && !fixedFrames) {
            const int64_t frameTime = 1000000 / frameRate;
            while (clock.microseconds() - now < frameTime)
                clock.sleepMillisecond();
        }
    }
    return exitCode;
}

int run(int argc, char** argv, Platform& platform, Clock& clock, const AppFactory& makeApp,
        const BeforeWindow& beforeWindow)
{
    FrameState& frame = FrameState::current();
    frame = FrameState();
    frame.startedAt = std::chrono::steady_clock::now();
    int exitCode = 0;
    try {
        int early = startUp(argc, argv, platform, makeApp, beforeWindow);
        if (early >= 0) {
            frame.shutDown = true; // nothing of the game was created
            Config::current() = Config();
            platform.destroyWindow();
            return early;
        }
        exitCode = frameLoop(platform, clock, Config::current().frameRate, Config::current().fixedFrames);
    } catch (const lang::Throwable& e) {
        reportFatal(platform, e.getMessage());
        exitCode = 1;
    } catch (const std::exception& e) {
        reportFatal(platform, e.what());
        exitCode = 1;
    } catch (...) {
        reportFatal(platform, "Unknown exception happened");
        exitCode = 1;
    }
    shutDown(platform);
    return exitCode;
}

} // namespace framework
