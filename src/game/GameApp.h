#pragma once

#include "framework/App.h"
#include "framework/Keys.h"
#include "game/InputRecording.h"
#include "lang/Ptr.h"

#include <functional>
#include <memory>

namespace framework {
struct Config;
}
namespace io {
class FileBundle;
}
namespace lua {
class LuaState;
class LuaNames;
}

namespace game {

class DeveloperConsole;
class DeveloperStats;
class ErrorScreen;
class GameLua;
class HotReload;
class LuaResources;

/// The game's application: reads its data, runs the start-up scripts, and each frame turns
/// input into script tables (keys, cursor, wheel zoom, gestures) and runs the game world.
class GameApp : public framework::App
{
public:
    /// Runs the whole game start-up; script files that fail to load are reported and the
    /// start-up goes on (in developer mode onto the error screen).
    GameApp(framework::OSInterface* os, gr::Context* context);
    ~GameApp() override;
    /// What can start before the window exists (framework::BeforeWindow): opens the data
    /// bundle, which the next GameApp of this configuration takes, and starts decoding the
    /// configuration's preload images on another thread.
    static void prepare(const framework::Config& config);

    void update(float dt, gr::Context* context, int passMask) override;
    void keyDown(int code) override;
    void keyUp(int code) override;
    void textInput(const char* utf8) override;
    void mouseMoved(int x, int y) override;
    void mouseWheel(int notches) override;
    void activate(bool active) override;
    bool activateAudio(bool active) override;
    void resized() override;

    GameLua* world() const { return m_world.ptr(); }
    lua::LuaState* luaState() const { return m_lua.ptr(); }
    LuaResources* resources() const { return m_resources.ptr(); }

    /// The world zoom, read by the game world each frame.
    float zoom() const { return m_zoom; }
    /// The zoom when the last wheel event came.
    float zoomAtWheel() const { return m_zoomAtWheel; }
    /// Sets both the current and the recorded zoom (setWorldScale).
    void setZoom(float zoom) { m_zoom = m_zoomAtWheel = zoom; }
    void setMaxZoom(float zoom) { m_maxZoom = zoom; }
    void setWheelZoomEnabled(bool on) { m_wheelZoomEnabled = on; }
    /// The two-finger gesture machine (full screen only): waiting for two touches, then
    /// deciding from how both have moved whether they sweep or pinch, until all are up.
    enum GestureState
    {
        GESTURE_IDLE = 0,      ///< fewer than two touches
        GESTURE_DECIDING = 1,  ///< two touches down, not yet moved apart or along
        GESTURE_SWEEP = 2,     ///< both moving the same way, mostly sideways: pans the view
        GESTURE_PINCH = 3,     ///< moving opposite ways: zooms by the change of distance
        GESTURE_FINISHED = 4,  ///< interrupted or ended: nothing until every touch is up
    };
    int gestureState() const { return m_gestureState; }
    /// The last value given to activateAudio.
    bool audioActive() const { return m_audioActive; }

    /// The zoom animation and the gesture machine of one frame; public for their tests.
    void advanceZoom(float dt);
    void runGestures(float dt);

    /// Developer mode: config.lua's developer = true, or --dev after the configuration on the
    /// command line. Plain scripts run, a script error shows the error screen instead of
    /// ending the game, and saved files are reloaded while it runs.
    bool developerMode() const { return m_developer; }
    /// The error screen drawn instead of the game, or null while the game runs.
    const ErrorScreen* errorScreen() const { return m_errorScreen.get(); }
    /// Developer mode, R on the error screen: a failed reload is tried again; otherwise the
    /// start-up scripts run again in the game's table (starLimits.lua, loadlist.lua,
    /// gamelogic.lua, blocks.lua, then createStartUpAssets()). The game goes on when they
    /// succeed; else the error screen shows their failure. The R key then restarts the level
    /// that was running (restartLevel).
    void reloadScripts();
    /// Developer mode: reloads what was saved under the data directory (see HotReload). A
    /// failed reload shows the error screen over the running game; a reload that fixes the
    /// failure shown goes back to the game.
    void reloadSavedFiles();
    /// Developer mode, F1: the console over the game, which takes every key while it is open.
    bool consoleOpen() const { return m_consoleOpen; }
    /// The console, once F1 has opened it; null before.
    DeveloperConsole* console() const { return m_console.get(); }
    /// Developer mode's views over the game: F3 the physics view, F4 the statistics.
    bool physicsViewShown() const { return m_physicsView; }
    bool statisticsShown() const { return m_statisticsShown; }
    /// Whether a --replay still has frames to play.
    bool replaying() const { return m_replaying; }
    /// Developer mode, F12: the next frame shown is saved as a PNG file in the
    /// application-data directory.
    void requestScreenshot() { m_screenshotRequested = true; }
    /// The file the last screenshot went to, or "" when none was taken.
    const lang::String& lastScreenshot() const { return m_lastScreenshot; }
    /// The figures of the statistics overlay, kept every frame in developer mode.
    const DeveloperStats* statistics() const { return m_stats.get(); }

private:
    // Zoom and gestures.
    float m_zoom = 1.0f;
    float m_maxZoom = 0.0f; // at or below 0.6 until the scripts set it: wheel notches never accumulate
    float m_animStart = 1.0f;
    float m_animTarget = 1.0f;
    float m_animTime = -1.0f;
    float m_animDuration = -1.0f;
    float m_zoomAtWheel = 1.0f;
    int m_sweepLast[4] = {-1, -1, -1, -1};
    int m_sweepDistance = 0;
    float m_sweepTime = 0;
    float m_sweepSpeed = 0;
    int m_gestureState = GESTURE_IDLE;
    int m_previousState = GESTURE_IDLE;
    float m_gestureStart[4] = {};
    float m_startDistance = -1;
    float m_zoomAtGestureStart = 1.0f;
    bool m_audioActive = false;
    bool m_wheelZoomEnabled = true;

    lang::Ptr<io::FileBundle> m_bundle;
    lang::Ptr<lua::LuaState> m_lua;
    lang::Ptr<LuaResources> m_resources;
    lang::Ptr<GameLua> m_world;
    std::unique_ptr<lua::LuaNames> m_keyNames; ///< the 89 key names, interned once

    // Developer mode.
    /// What the error screen shows: it says what R does and which reload may clear it.
    enum FailureKind { FAILED_START_UP, FAILED_FRAME, FAILED_RELOAD };
    bool m_developer = false;
    lang::String m_scriptPath;
    std::unique_ptr<ErrorScreen> m_errorScreen;
    FailureKind m_failureKind = FAILED_FRAME;
    lang::String m_failedFile; ///< the file whose reload failed (FAILED_RELOAD)
    std::unique_ptr<HotReload> m_hotReload;
    bool m_errorScreenBroken = false; ///< drawing it failed once: logged, not again
    gr::Context* m_context;
    bool m_keyPressedNow[framework::KEY_COUNT] = {};
    bool m_keyReleasedNow[framework::KEY_COUNT] = {};
    bool m_wasFullScreen = true;
    bool m_physicsView = false;
    bool m_statisticsShown = false;
    bool m_screenshotRequested = false;
    lang::String m_lastScreenshot;
    std::unique_ptr<DeveloperStats> m_stats;
    std::unique_ptr<DeveloperConsole> m_console;
    bool m_consoleOpen = false;
    bool m_keyToConsole[framework::KEY_COUNT] = {}; ///< held keys whose press the console took
    std::unique_ptr<InputRecording> m_recording; ///< --record
    std::vector<InputRecording::Event> m_replay;  ///< --replay: the events still to feed
    size_t m_replayNext = 0;
    int m_replayFrame = 0;
    bool m_replaying = false;
    bool m_replayed = false; ///< a --replay was read: the run ends by listing the bodies
    bool m_feeding = false; ///< the replay is calling the input handlers

    void chooseTextLanguage();
    /// starLimits.lua, loadlist.lua and gamelogic.lua.
    void runStartUpScripts();
    /// Runs body; in developer mode a failure it throws is kept as the world's failure
    /// instead of leaving the call. Returns false when it failed.
    bool runScripts(const std::function<void()>& body);
    /// Developer mode: shows the world's kept failure, if any, under title; true when it did.
    bool showKeptFailure(const char* title, FailureKind kind, const lang::String& file = lang::String());
    void showFailure(const char* title, const lang::String& text, FailureKind kind, const lang::String& file);
    void closeErrorScreen();
    void drawErrorScreen(gr::Context* context);
    /// The error screen's keys: R, C and Esc.
    void errorScreenKey(int code);
    /// Developer mode, after R: when level is not "", the scripts' restartLevel(level) makes
    /// it again; a game without one is told so in the log. A failure shows the error screen.
    void restartLevel(const lang::String& level);
    void startHotReload();
    /// Developer mode: --record=FILE and --replay=FILE after the configuration.
    void startInputRecording(const lang::Array<lang::String>& arguments);
    /// An input event arrived: recorded when recording; false when it must be dropped (a
    /// replay runs and the event is not its own).
    bool inputArrives(InputRecording::Kind kind, int a, int b = 0);
    /// The start of a frame: records its time step, or feeds the replay's events of this
    /// frame and returns its recorded time step.
    float inputFrame(float dt);
    /// Developer mode's keys while the game runs (F3, F4, F12); true when code was one.
    bool developerKey(int code);
    /// Developer mode: F1 opens the console; while it is open it takes every key (F1 and
    /// Esc close it). True when the console took code.
    bool consoleKey(int code);
    void openConsole();
    void closeConsole();
    /// The developer views over the finished frame, then the screenshot if one was asked for.
    void drawDeveloperViews(float dt, gr::Context* context);
    void saveScreenshot(gr::Context* context);
    /// A recorded or replayed run's end: every body's position and angle, by name, as exact
    /// hexadecimal floats, so that two runs compare equal only when they ended alike.
    void logBodiesAtExit();
    /// The arguments after the configuration as the global table launchOptions:
    /// "--name" as name = true, "--name=value" as name = "value".
    void publishLaunchOptions(const lang::Array<lang::String>& arguments);
    void preloadShaders(const lang::String& dataPath);
    void setGestureState(int state);
    bool gesturesBlocked() const;
    void publishKeys();
    void volumeKeys();
    void resolutionSwitch();
    void endSweep();
};

} // namespace game
