#pragma once

#include "framework/App.h"
#include "framework/Keys.h"
#include "lang/Ptr.h"

#include <memory>

namespace io {
class FileBundle;
}
namespace lua {
class LuaState;
class LuaNames;
}

namespace game {

class GameLua;
class LuaResources;

/// The game's application: reads its data, runs the start-up scripts, and each frame turns
/// input into script tables (keys, cursor, wheel zoom, gestures) and runs the game world.
class GameApp : public framework::App
{
public:
    /// Runs the whole game start-up; script files that fail to load are reported and the
    /// start-up goes on.
    GameApp(framework::OSInterface* os, gr::Context* context);
    ~GameApp() override;

    void update(float dt, gr::Context* context, int passMask) override;
    void keyDown(int code) override;
    void keyUp(int code) override;
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
    gr::Context* m_context;
    bool m_keyPressedNow[framework::KEY_COUNT] = {};
    bool m_keyReleasedNow[framework::KEY_COUNT] = {};
    bool m_wasFullScreen = true;

    void chooseTextLanguage();
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
