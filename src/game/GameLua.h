#pragma once

#include "game/RenderObjectData.h"
#include "game/World.h"
#include "lang/Array.h"
#include "lang/Hashtable.h"
#include "lang/Ptr.h"
#include "lang/Thread.h"
#include "lua/LuaObject.h"
#include "gr/DrawState.h"
#include "pf/VideoPlayer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace gr {
class Context;
}

namespace lua {
class NativeCall;
}

namespace game {

class GameApp;
class MaskedImage;
class Particles;
class Resources;
struct ScriptFailure;

/// The scripts' side of the game: their environment table with every native, and the
/// per-frame update that moves the world and publishes its state to them. The physics
/// world and its rules are a World; the natives here convert arguments, call it, and
/// keep the scripts' tables in step with it through its listener. Main thread only.
///
/// The table reads the interpreter's globals through its metatable, so the scripts see
/// the standard library as globals while their assignments stay here.
class GameLua : public lua::LuaObject, private WorldListener, public pf::VideoPlayerObserver
{
public:
    static const int KEY_SIZE = 32;
    static constexpr float STEP = World::STEP;
    /// World pixels per physics unit: drawing places a body at 20 times its position.
    static constexpr float PIXELS_PER_UNIT = 20;

    /// app, resources and context are not owned; they outlive the game world.
    GameLua(lua::LuaState* state, GameApp* app, Resources* resources, gr::Context* context);
    ~GameLua() override;

    /// One frame: touches, physics, the script's update(dt, dt).
    void update(float dt);

    /// Reads a script file (resolved against the data path), deciphers it with the script
    /// key and runs it: in this table when name is empty, else in a new table stored here
    /// under name. A failure is reported (reportFailure) and the start-up goes on.
    void loadIntoGlobalTable(const lang::String& name, const lang::String& path);
    /// Runs a script file in this table, then updateValues(), and marks the scripts loaded.
    void runScriptFile(const lang::String& path);
    /// blocks.lua into blockTable, then createStartUpAssets().
    void startUpAssets(const lang::String& scriptPath);
    bool scriptsLoaded() const { return m_scriptsLoaded; }

    // --- developer mode: plain scripts, the error screen, hot reload ---
    /// A failure to load or run a script file: shown in the error box in a shipped game; in
    /// developer mode kept (the first one until taken) for the error screen instead.
    void reportFailure(const lang::Throwable& failure);
    /// Takes the failure kept; false when there is none.
    bool takeFailure(ScriptFailure* failure);
    /// A failure's text taken apart: message, call stack, the failing line and up to five
    /// source lines either side of it (read as the engine reads the file, plain or
    /// deciphered). An engine exception raised in a native gets the native's name and the
    /// call stack the interpreter kept for it.
    ScriptFailure describeFailure(const lang::String& text) const;
    /// The script and data files this session ran (developer mode only), as full paths.
    lang::Array<lang::String> scriptFiles() const;
    /// Runs a file of scriptFiles() again in the table it ran in: its functions replaced,
    /// the table's other values kept; a data file again with the instruction budget. Throws
    /// the script's error. False when the session has not run the file.
    bool rerunScript(const lang::String& file);
    /// A script file's text, deciphered or plain as it is; "" when it does not read.
    lang::String scriptSource(const lang::String& file) const;
    /// Looks every object's sprite up again by its name, after a sprite sheet was reloaded.
    void refreshSprites();
    /// Whether calculatePlaytime() runs and the settings are saved when the world goes. A
    /// session that met a script error in developer mode saves nothing: the files keep
    /// their last good state.
    void setSavesAtExit(bool on) { m_savesAtExit = on; }
    bool savesAtExit() const { return m_savesAtExit; }

    uint32_t backgroundColour() const { return m_backgroundColour; }
    lua::LuaTable& keyPressed() { return m_keyPressed; }
    lua::LuaTable& keyReleased() { return m_keyReleased; }
    lua::LuaTable& keyHold() { return m_keyHold; }
    lua::LuaTable& cursor() { return m_cursor; }
    lua::LuaTable& multitouchSweep() { return m_multitouchSweep; }
    lua::LuaTable& multitouchZoom() { return m_multitouchZoom; }
    /// The physics world, its objects and joints.
    World& physics() { return *m_physics; }
    b2World* world() const { return m_physics->b2world(); }
    const RenderObjectData* object(const lang::String& name) const { return m_physics->find(name); }
    float accumulator() const { return m_physics->accumulator(); }
    int interpolationSlot() const { return m_physics->interpolationSlot(); }
    /// The rolling-sound volume of a material (wood, rock, light) at the last publishing pass.
    float rollingVolume(int material) const { return m_physics->rollingVolume(material); }
    /// The play handle of a material's rolling sound, -1 for none.
    int rollingHandle(int material) const { return material > 0 && material < 4 ? m_rollingHandles[material] : -1; }

    const uint8_t* saveKey() const { return m_saveKey; }
    const uint8_t* scriptKey() const { return m_scriptKey; }

    /// Interpolates an angle from older to newer by alpha, the short way round.
    static float interpolateAngle(float older, float newer, float alpha) { return World::interpolateAngle(older, newer, alpha); }
    /// Sets the drawing state's rotation to angle (radians, turning +x towards +y like the
    /// physics bodies) about the pivot, relative to the drawn rectangle's top-left corner.
    static void rotate(gr::DrawState& state, float angle, float pivotX, float pivotY);

    gr::Context* context() const { return m_context; }
    Resources* resources() const { return m_resources; }
    Particles* particles() const { return m_particles.ptr(); }
    float topLeftX() const { return m_topLeftX; }
    float topLeftY() const { return m_topLeftY; }
    float worldScale() const { return m_worldScale; }
    /// Trail (false) or puff (true) list 0..5 of the trajectories.
    const lang::Array<b2Vec2>& trajectory(bool puffs, int list) const { return puffs ? m_puffs[list] : m_trails[list]; }
    int trajectoryBase() const { return m_trajectoryBase; }

    // The natives. Each is a field of this table under its own name; the scripts pass the
    // arguments by position. A missing or mistyped argument is the script error "Excepted
    // type {0} at stack position {1} but found {2}{3}"; numbers are 32-bit floats; positions
    // and sizes are physics units (y down) unless a line says pixels.

    // --- natives: application and window ---
    /// Ends the frame loop after this frame; the run exits with 0.
    void requestExit();
    /// Writes text and a line end to the debug log (stderr).
    void print(lang::String text);
    /// The colour each frame is cleared to; channels 0..255, clamped and truncated.
    void setBGColor(float r, float g, float b);
    /// Holds the mouse in the window and hides the pointer (true), or gives both back.
    void captureMouse(bool on);
    bool isMouseCaptured();
    /// Full screen over the window's monitor (true) or back to the window.
    void setFullScreenMode(bool on);
    bool isInFullScreenMode();
    /// Asks the window for a client size in pixels, truncated to integers.
    void setResolution(float width, float height);
    /// Whether the wheel zooms while two fingers pinch or sweep.
    void setIsMultitouchMouseWheelSimulationEnabled(bool on);
    /// No effect on the desktop.
    void setGameOn(bool on);
    /// Always true: a left click counts as one touch.
    bool doesMouseClickSetsTouchCount();
    /// Logs "Name: key" (or "Number: key") for every global of the game that is not a function.
    void printGlobals();
    /// Resolves the name against the data path; no video plays on this platform.
    void playVideo(lang::String name);
    /// No effect.
    void goToTaskSwitcherLua();
    /// The world zoom (1 = natural size), also as the application's current and wheel zoom.
    void setWorldScale(float scale);
    /// The largest zoom the wheel may reach.
    void setMaxWorldScale(float scale);
    /// ([slot]): notes the present moment in slot 0..TIME_SLOTS - 1 (0 when not given).
    int markTime(lua::NativeCall& call);
    /// ([slot]) -> microseconds since the slot's mark, or since the game table was made for a
    /// slot never marked. Read from a steady clock: scripts' 32-bit numbers can't hold a
    /// timestamp, but an interval of seconds still carries a fraction of a microsecond.
    int microsecondsSince(lua::NativeCall& call);
    static const int TIME_SLOTS = 16;

    // --- natives: physics objects (the World behind them) ---
    /// A box of width x height centred at (x, y), static when density is 0, stored in
    /// objects.world[name] (a name in use is replaced). Sizes above 0 and finite numbers,
    /// else a script error; objects.world must exist. Inside a collision callback it is
    /// made right after the physics step.
    void createBox(lang::String name, lang::String sprite, float x, float y, float width, float height, float density,
                   float friction, float restitution, bool collides, bool bird, float zOrder);
    /// A circle of radius around (x, y); as createBox, and rolling. z_order 999 passes
    /// through objects of material "immovable".
    void createCircle(lang::String name, lang::String sprite, float x, float y, float radius, float density,
                      float friction, float restitution, bool bird, float zOrder);
    /// A polygon of the vertices added since clearVertices (3 to 8, body-local, with an
    /// area the physics keeps, else a script error); width and height are only stored.
    void createPolygon(lang::String name, lang::String sprite, float x, float y, float width, float height,
                       float density, float friction, float restitution, bool collides, bool bird, float zOrder);
    /// Empties the vertex list of the next createPolygon.
    void clearVertices();
    /// Appends a body-local vertex for the next createPolygon.
    void addVertex(float x, float y);
    /// Destroys the object and its joints; links from it start their second object's timer.
    /// Its table stays in objects.world. Inside a callback: gone from that step's contacts.
    void removeObject(lang::String name);
    /// An impulse (mass x units/s) at a world point; unknown names are ignored.
    void applyImpulse(lang::String name, float ix, float iy, float px, float py);
    /// A force at a world point for the next step; unknown names are ignored.
    void applyForce(lang::String name, float fx, float fy, float px, float py);
    /// Moves the body, its table's x and y and both snapshots; unknown names are logged.
    void setPosition(lang::String name, float x, float y);
    /// Turns the body to angle radians (stored in 0..2π) and its table's angle.
    void setRotation(lang::String name, float angle);
    /// Units per second; static bodies and unknown names are ignored.
    void setVelocity(lang::String name, float vx, float vy);
    /// Radians per second; static bodies and unknown names are ignored.
    void setAngularVelocity(lang::String name, float w);
    /// Puts the body to sleep (velocities cleared) or wakes it.
    void setSleeping(lang::String name, bool sleeping);
    /// parameter 1: drawn in the bird pass when value is 1; parameter 2: dynamic when value
    /// is not 0 (a body without mass then gets mass 1), else static; others: nothing.
    void setObjectParameter(lang::String name, float parameter, float value);
    /// "wood", "rock" or "light" chooses the rolling sound; other texts change nothing.
    void setMaterial(lang::String name, lang::String material);
    /// The interpolated angle in radians; 0 for an unknown name.
    float getAngle(std::string_view name);
    /// (name, localX, localY) → x, y: the body's transform of a local point; an unknown
    /// name gives the point back.
    int getWorldPoint(lua::NativeCall& call);
    /// Stored only.
    void setPhysicsSimulationScale(float scale);
    /// Whether the world steps, collides, publishes and runs its particles.
    void setPhysicsEnabled(bool on);
    bool isPhysicsEnabled();
    int getPhysicsTime(lua::NativeCall& call);
    /// The most a body may move in one step, in units: finite and above 0, else a script
    /// error. loadLevel sets 2 again.
    void setMaxTranslation(float distance);
    /// Bodies beyond these x limits (truncated) are published as frozen.
    void setLevelLimits(float left, float, float right, float);
    /// While on, contacts change nothing.
    void setEditing(bool on);

    // --- natives: drawing (pixels; the view set by setTopLeft and the world zoom) ---
    /// The theme's colours and parallax layers from the global table of that name.
    void setTheme(lang::String theme);
    /// The view's top-left corner in world pixels.
    void setTopLeft(float x, float y);
    /// The theme's sky colour and background layers.
    void drawBackgroundNative();
    /// Every object with a sprite, in passes: static, blocks, trajectories, birds, far front.
    void drawGameNative();
    /// The theme's ground colour and foreground layers.
    void drawForegroundNative();
    /// The game particles.
    void drawParticlesNative();
    /// Switches to the other three of the six trajectory lists and empties them: the last
    /// shot's trajectory stays drawn beside the new one.
    void startNewTrajectory();
    /// Adds a trail point (world pixels) to list slot 0..2 of the current trajectory;
    /// other slots are ignored.
    void addToTrajectory(float slot, float x, float y);
    /// Adds a puff point (world pixels) to list slot 0..2 of the current trajectory.
    void addPuffToTrajectory(float slot, float x, float y);
    /// A filled rectangle, colour channels 0..1 (clamped), in window pixels unless
    /// keepRenderState keeps the drawing state.
    void drawRect(float r, float g, float b, float a, float left, float top, float right, float bottom, bool keepRenderState);
    /// A line width pixels wide, colour channels 0..255, in screen pixels.
    void drawLine2D(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a);
    /// The sprite's whole image stretched over the rectangle, offset by the view.
    void drawTexturedRect(lang::String sprite, float left, float top, float right, float bottom, bool keepRenderState);
    /// (tx, ty [, sx, sy [, angle [, px, py]]]): the 2D transform by argument count.
    int setRenderState(lua::NativeCall& call);
    /// Wraps the text to width pixels in the current font into the table clippedText.
    void clipText(lang::String group, lang::String textId, float width);
    /// The object's sprite by name (none when unknown).
    void setSprite(lang::String name, lang::String sprite);
    /// The sprite sheet image the object is drawn through as a mask.
    void setTexture(lang::String name, lang::String texture);

    // --- natives: joints (the World behind them) ---
    /// (definition): a joint of type 1 distance, 2 weld, 3 revolute, 4 prismatic or 5
    /// destroy link between the objects end1 and end2, its table in objects.joints[name].
    /// Unknown or equal ends are a script error. Distance joints of coordType 1 take their
    /// world anchors from arguments 6 to 9.
    int createJoint(lua::NativeCall& call);
    /// (parameters): motor, motorSpeed, maxTorque, limit, lowerLimit, upperLimit, frequency
    /// and dampingRatio of the joint parameters.name, each when given; unknown names do nothing.
    int setJointParameters(lua::NativeCall& call);
    /// Turns the motor of a joint that has run into a limit with its motor running.
    void checkJointLimits(lang::String name);
    /// Destroys the joint or link and removes its table; unknown names do nothing.
    void destroyJoint(lang::String name);

    // --- natives: level and script files (paths against the data path) ---
    /// Empties the world, reloads blocks.lua and particles.lua, and runs the enciphered
    /// level file into the global loadedObjects; a failure logs "Unable to load level.".
    void loadLevel(lang::String levelName);
    /// The name the last loadLevel loaded, "" when none has or the last one failed.
    const lang::String& currentLevel() const { return m_currentLevel; }
    /// Writes the level table built from objects, as plain Lua source.
    void saveLevel(lang::String levelName);
    /// Writes the global table globalName as Lua source: enciphered into the application
    /// data directory, or plain at the data path.
    void saveLuaFile(lang::String globalName, lang::String fileName, bool toApplicationData);
    /// (path, target, key): runs the enciphered file into a new table stored as target[key].
    int loadLuaFileToObject(lua::NativeCall& call);
    /// Whether the file opens.
    bool checkForLuaFile(lang::String path);
    /// Makes one directory level; failures are not reported.
    void createDirectory(lang::String path);
    /// Whether anything exists at path exactly as given (not resolved).
    bool checkDirectory(lang::String path);

    // --- natives: services with no platform behind them ---
    void doNothing() {}
    bool alwaysFalse() { return false; }
    void ignoreFlag(bool) {}
    /// Logs the achievement's id and text.
    void unlockAchievement(lang::String id, lang::String text);
    void postHighscore(lang::String, float) {}
    void getLeaderboardScoresForRange(lang::String, float, float) {}
    void logFlurryEvent(lang::String) {}
    void logFlurryEventWithParam(lang::String, lang::String, lang::String) {}
    void logFlurryEventWithParams(lang::String, lang::String) {}
    /// Asks the version server on a worker; latestVersionNumberReceived(latest, url) is
    /// called at a later frame when it answers.
    void requestLatestVersionNumber();
    /// Runs "updater /justcheck" on a worker; updateAvailable(flag) follows at a later frame.
    void checkForUpdates();
    /// Starts "updater /checknow" and returns at once.
    void callVersionUpdater();

    /// Splits a version-check answer into its status, latest and url values; false for an
    /// answer that is not key=value pairs joined by "&" ("Malformed response").
    static bool parseVersionAnswer(const lang::String& body, lang::String* status, lang::String* latest,
                                   lang::String* url);

    // pf::VideoPlayerObserver
    void videoPlaybackFinished() override;

private:
    /// A parallax layer of the theme's background.
    struct BackgroundLayer
    {
        lang::String name;
        lang::String sprite;
        float parallax = 1;
        float scale = 1;
        bool tiled = true;
    };
    struct ForegroundLayer
    {
        lang::String name;
        lang::String sprite;
    };

    GameApp* m_app;
    Resources* m_resources;
    gr::Context* m_context;
    lang::Ptr<Particles> m_particles;
    lang::Ptr<MaskedImage> m_maskedImage; ///< made on first use: contexts without its shader still run
    float m_themeColour[3] = {0, 0, 0};
    float m_groundColour[3] = {0, 0, 0};
    lang::Array<BackgroundLayer> m_backgroundLayers;
    lang::Array<ForegroundLayer> m_foregroundLayers;
    float m_craneOffset = 0;
    float m_topLeftX = 0, m_topLeftY = 0;
    lang::Array<b2Vec2> m_trails[6];
    lang::Array<b2Vec2> m_puffs[6];
    int m_trajectoryBase = 0;
    lua::LuaTable m_keyPressed, m_keyReleased, m_keyHold, m_cursor, m_multitouchSweep, m_multitouchZoom;
    lua::LuaTable m_objects, m_clippedText, m_blockTable;
    lua::LuaTable m_worldTable, m_deadBlocks; ///< bound when a level loads
    uint32_t m_backgroundColour = 0;
    lang::Array<b2Vec2> m_vertices;
    std::unique_ptr<World> m_physics;
    float m_simulationScale = 1.0f;
    float m_worldScale = 1.0f;
    uint8_t m_saveKey[KEY_SIZE];
    uint8_t m_scriptKey[KEY_SIZE];
    lang::Ptr<pf::VideoPlayer> m_videoPlayer;
    bool m_scriptsLoaded = false;
    lang::String m_currentLevel;
    bool m_savesAtExit = true;
    /// Developer mode: the table each script or data file ran in, by full path, and whether
    /// it ran as data.
    struct RanScript
    {
        lua::LuaTable table;
        bool data = false;
    };
    lang::Hashtable<lang::String, RanScript> m_ranScripts;
    std::unique_ptr<ScriptFailure> m_failure; ///< developer mode: the first failure not yet taken
    int m_rollingHandles[4] = {-1, -1, -1, -1}; ///< play handles of the rolling sounds, by material
    std::chrono::steady_clock::time_point m_timeMarks[TIME_SLOTS];
    /// The slot argument of the timing natives; a script error naming native for a slot
    /// that is not a whole number in range.
    static int timeSlot(const lua::NativeCall& call, const char* native);

    // The version and updater checks run on detached workers, which may outlive this table:
    // quitting waits for neither a slow server nor the updater. A worker writes only the
    // check it shares with the table, through a counted pointer.
    struct VersionCheck;
    struct UpdaterCheck;
    std::shared_ptr<VersionCheck> m_versionCheck;
    std::shared_ptr<UpdaterCheck> m_updaterCheck;
    /// On the main thread, each frame: calls the scripts back for the checks that answered.
    void deliverCheckAnswers();

    void registerNatives();
    /// A saved table from the application-data directory; a file that does not read back
    /// is moved aside and the table starts empty.
    lua::LuaTable loadSavedTable(const lang::String& fileName);
    void moveAside(const lang::String& path, const lang::String& reason);
    void saveSettings();
    /// Whose file a data file is: the game's own reads the game's globals; a foreign one
    /// (a level, which players make and trade) only LuaState::dataGlobals().
    enum DataSource { GAME_FILE, FOREIGN_FILE };
    /// A data file read into a new table: deciphered with the script key (used whatever
    /// that gives) and run with an instruction budget.
    lua::LuaTable loadDataFile(const lang::String& path, DataSource source = GAME_FILE);
    void removeJointTable(const lang::String& name);
    /// A script file's text by a path against the data path: deciphered; plain source only
    /// in developer mode, else "" after a log line naming the file.
    lang::String readScript(const lang::String& path);
    lang::String readScriptFile(const lang::String& file) const;
    /// Notes where a script file runs, for rerunScript (developer mode only).
    void noteRun(const lang::String& file, const lua::LuaTable& table, bool data);
    lang::String resolve(const lang::String& path) const;
    void callScript(const char* name);
    /// Calls a script function of this table when the game defines it.
    void callback(const char* name, std::initializer_list<lua::LuaValue> arguments);

    /// A new object as the creation natives give it; throws the script error for a
    /// definition the world refuses, and for a missing objects.world.
    void createObject(const ObjectDef& def);
    lua::LuaTable deadBlocks();
    void playRollingSounds();
    void stopRollingSounds();
    void startAudioWhenEnabled();

    // WorldListener: the scripts' tables follow the world.
    void objectCreated(RenderObjectData& object, const ObjectDef& def) override;
    void objectMoved(RenderObjectData& object) override;
    void objectTurned(RenderObjectData& object) override;
    void objectPublished(RenderObjectData& object, float angle, bool awake, bool outside) override;
    void jointCreated(const JointRecord& joint, const JointDef& used) override;
    void jointRemoved(const JointRecord& joint) override;
    void jointMoved(const JointRecord& joint, b2Vec2 anchorA, b2Vec2 anchorB) override;
    float linkDelay(const JointRecord& link, float made) override;
    bool takesPart(const RenderObjectData& object) override;
    Damage damage(const RenderObjectData& object) override;
    void setStrength(RenderObjectData& object, float strength) override;
    void destroyed(RenderObjectData& object) override;
    bool isImmovable(const RenderObjectData& object) override;
    BirdFactors birdFactors(const RenderObjectData& bird, const RenderObjectData& victim) override;
    void addBlockScore(float points) override;
    void birdCollision(const RenderObjectData& bird, const RenderObjectData& other, float impact, float damage) override;
    void blockCollision(const RenderObjectData& a, const RenderObjectData& b, float impact, bool damageable) override;
    void stepped() override;

    void resetRenderState();
    void drawRecord(const RenderObjectData& record, float x, float y, bool mask);
    void drawTrajectories();
    void clearTrajectories();
    /// The sheet image under key as a mask texture, or null.
    gr::Texture* sheetTexture(const lang::String& key) const;
};

} // namespace game
