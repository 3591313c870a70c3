#include "game/GameLua.h"

#include "framework/Keys.h"
#include "game/CipherKeys.h"
#include "framework/OSInterface.h"
#include "game/GameApp.h"
#include "game/MaskedImage.h"
#include "game/Resources.h"
#include "game/Particles.h"
#include "game/ScriptFailure.h"
#include "game/ScriptFile.h"
#include "gr/Context.h"
#include "io/AppDataInputStream.h"
#include "io/AppDataOutputStream.h"
#include "io/ByteArrayOutputStream.h"
#include "io/FileInputStream.h"
#include "io/PathName.h"
#include "lang/Array.h"
#include "lang/BlockCipher.h"
#include "lang/Debug.h"
#include "lang/ErrorBox.h"
#include "lang/Exception.h"
#include "lua/LuaException.h"
#include "lua/LuaState.h"
#include "lua/NativeCall.h"
#include "pf/FileSystem.h"

using lang::Format;
using lang::String;

namespace game {

namespace {

String readWhole(io::InputStream& in)
{
    std::string bytes(static_cast<size_t>(in.available()), '\0');
    int count = bytes.empty() ? 0 : in.read(&bytes[0], static_cast<int>(bytes.size()));
    bytes.resize(static_cast<size_t>(count));
    return String(std::move(bytes));
}

} // namespace

GameLua::GameLua(lua::LuaState* state, GameApp* app, Resources* resources, gr::Context* context)
    : LuaObject(state), m_app(app), m_resources(resources), m_context(context), m_keyPressed(state), m_keyReleased(state), m_keyHold(state),
      m_cursor(state), m_multitouchSweep(state), m_multitouchZoom(state), m_objects(state), m_clippedText(state),
      m_physics()
{
    inheritFrom(state->globals());
    for (auto& mark : m_timeMarks)
        mark = std::chrono::steady_clock::now();
    for (int i = 0; i < KEY_SIZE; ++i) {
        m_saveKey[i] = game::saveKey()[i];
        m_scriptKey[i] = game::scriptKey()[i];
    }
    registerNatives();

    setNumber("screenWidth", static_cast<float>(context->width()));
    setNumber("screenHeight", static_cast<float>(context->height()));
    setTable(String("keyPressed"), &m_keyPressed);
    setTable(String("keyReleased"), &m_keyReleased);
    setTable(String("keyHold"), &m_keyHold);
    m_cursor.setNumber("x", 0);
    m_cursor.setNumber("y", 0);
    setTable(String("cursor"), &m_cursor);
    setTable(String("multitouchSweep"), &m_multitouchSweep);
    m_multitouchZoom.setNumber("zoomCoolingTime", -1);
    setTable(String("multitouchZoom"), &m_multitouchZoom);
    setTable(String("clippedText"), &m_clippedText);
    setTable(String("objects"), &m_objects);

    m_physics.reset(new World(this));

    lua::LuaTable highscores = loadSavedTable("highscores.lua");
    setTable(String("highscores"), &highscores);
    lua::LuaTable settings = loadSavedTable("settings.lua");
    setTable(String("settings"), &settings);

    m_particles = new Particles(state, this, resources, 0.5f, 40, 125);
    setObject("particles", m_particles.ptr());
    m_videoPlayer = new pf::VideoPlayer(this);
}

GameLua::~GameLua()
{
    if (!m_savesAtExit) {
        lang::log("Not saving the settings: this session met a script error\n");
    } else {
        try {
            callScript("calculatePlaytime");
        } catch (const lang::Throwable& e) {
            lang::log("calculatePlaytime failed: %s\n", e.getMessage().c_str());
        }
        try {
            saveSettings();
        } catch (const lang::Throwable& e) {
            lang::log("Saving settings failed: %s\n", e.getMessage().c_str());
        }
    }
    m_ranScripts = lang::Hashtable<String, RanScript>();
    m_physics.reset();
    m_particles = nullptr;
    m_videoPlayer = nullptr;
    m_maskedImage = nullptr;
}

void GameLua::registerNatives()
{
    registerMethod("requestExit", this, &GameLua::requestExit);
    registerMethod("print", this, &GameLua::print);
    registerMethod("setBGColor", this, &GameLua::setBGColor);
    registerMethod("captureMouse", this, &GameLua::captureMouse);
    registerMethod("isMouseCaptured", this, &GameLua::isMouseCaptured);
    registerMethod("setFullScreenMode", this, &GameLua::setFullScreenMode);
    registerMethod("isInFullScreenMode", this, &GameLua::isInFullScreenMode);
    registerMethod("setResolution", this, &GameLua::setResolution);
    registerMethod("setIsMultitouchMouseWheelSimulationEnabled", this,
                   &GameLua::setIsMultitouchMouseWheelSimulationEnabled);
    registerMethod("setGameOn", this, &GameLua::setGameOn);
    registerMethod("doesMouseClickSetsTouchCount", this, &GameLua::doesMouseClickSetsTouchCount);
    registerMethod("printGlobals", this, &GameLua::printGlobals);
    registerMethod("playVideo", this, &GameLua::playVideo);
    registerMethod("goToTaskSwitcherLua", this, &GameLua::goToTaskSwitcherLua);
    registerMethod("setWorldScale", this, &GameLua::setWorldScale);
    registerMethod("setMaxWorldScale", this, &GameLua::setMaxWorldScale);
    registerMethod("markTime", this, &GameLua::markTime);
    registerMethod("microsecondsSince", this, &GameLua::microsecondsSince);

    registerMethod("createBox", this, &GameLua::createBox);
    registerMethod("createCircle", this, &GameLua::createCircle);
    registerMethod("createPolygon", this, &GameLua::createPolygon);
    registerMethod("clearVertices", this, &GameLua::clearVertices);
    registerMethod("addVertex", this, &GameLua::addVertex);
    registerMethod("removeObject", this, &GameLua::removeObject);
    registerMethod("applyImpulse", this, &GameLua::applyImpulse);
    registerMethod("applyForce", this, &GameLua::applyForce);
    registerMethod("setPosition", this, &GameLua::setPosition);
    registerMethod("setRotation", this, &GameLua::setRotation);
    registerMethod("setVelocity", this, &GameLua::setVelocity);
    registerMethod("setAngularVelocity", this, &GameLua::setAngularVelocity);
    registerMethod("setSleeping", this, &GameLua::setSleeping);
    registerMethod("setObjectParameter", this, &GameLua::setObjectParameter);
    registerMethod("getAngle", this, &GameLua::getAngle);
    registerMethod("getWorldPoint", this, &GameLua::getWorldPoint);
    registerMethod("setPhysicsSimulationScale", this, &GameLua::setPhysicsSimulationScale);
    registerMethod("setPhysicsEnabled", this, &GameLua::setPhysicsEnabled);
    registerMethod("isPhysicsEnabled", this, &GameLua::isPhysicsEnabled);
    registerMethod("getPhysicsTime", this, &GameLua::getPhysicsTime);
    registerMethod("setMaxTranslation", this, &GameLua::setMaxTranslation);
    registerMethod("setLevelLimits", this, &GameLua::setLevelLimits);
    registerMethod("setEditing", this, &GameLua::setEditing);
    registerMethod("setMaterial", this, &GameLua::setMaterial);

    registerMethod("setTheme", this, &GameLua::setTheme);
    registerMethod("setTopLeft", this, &GameLua::setTopLeft);
    registerMethod("drawBackgroundNative", this, &GameLua::drawBackgroundNative);
    registerMethod("drawGameNative", this, &GameLua::drawGameNative);
    registerMethod("drawForegroundNative", this, &GameLua::drawForegroundNative);
    registerMethod("drawParticlesNative", this, &GameLua::drawParticlesNative);
    registerMethod("startNewTrajectory", this, &GameLua::startNewTrajectory);
    registerMethod("addToTrajectory", this, &GameLua::addToTrajectory);
    registerMethod("addPuffToTrajectory", this, &GameLua::addPuffToTrajectory);
    registerMethod("drawRect", this, &GameLua::drawRect);
    registerMethod("drawLine2D", this, &GameLua::drawLine2D);
    registerMethod("drawTexturedRect", this, &GameLua::drawTexturedRect);
    registerMethod("setRenderState", this, &GameLua::setRenderState);
    registerMethod("clipText", this, &GameLua::clipText);
    registerMethod("setSprite", this, &GameLua::setSprite);
    registerMethod("setTexture", this, &GameLua::setTexture);

    registerMethod("createJoint", this, &GameLua::createJoint);
    registerMethod("setJointParameters", this, &GameLua::setJointParameters);
    registerMethod("checkJointLimits", this, &GameLua::checkJointLimits);
    registerMethod("destroyJoint", this, &GameLua::destroyJoint);

    registerMethod("loadLevel", this, &GameLua::loadLevel);
    registerMethod("saveLevel", this, &GameLua::saveLevel);
    registerMethod("saveLuaFile", this, &GameLua::saveLuaFile);
    registerMethod("loadLuaFileToObject", this, &GameLua::loadLuaFileToObject);
    registerMethod("checkForLuaFile", this, &GameLua::checkForLuaFile);
    registerMethod("createDirectory", this, &GameLua::createDirectory);
    registerMethod("checkDirectory", this, &GameLua::checkDirectory);

    for (const char* name : {"activateNexaUI", "activateNexaUIAtProfile", "deactivateNexaUI", "showNexaSplash",
                             "initGameCenter", "getLeaderboardScoresForPlayers", "showLeaderboards",
                             "showAchievements", "drawSome"})
        registerMethod(name, this, &GameLua::doNothing);
    for (const char* name : {"isNexaSplashShowing", "isNexaUIShowing", "userEnabledNexa"})
        registerMethod(name, this, &GameLua::alwaysFalse);
    registerMethod("avoidNexaBackgroundActivity", this, &GameLua::ignoreFlag);
    registerMethod("unlockAchievement", this, &GameLua::unlockAchievement);
    registerMethod("postHighscore", this, &GameLua::postHighscore);
    registerMethod("getLeaderboardScoresForRange", this, &GameLua::getLeaderboardScoresForRange);
    registerMethod("logFlurryEvent", this, &GameLua::logFlurryEvent);
    registerMethod("logFlurryEventWithParam", this, &GameLua::logFlurryEventWithParam);
    registerMethod("logFlurryEventWithParams", this, &GameLua::logFlurryEventWithParams);
    registerMethod("requestLatestVersionNumber", this, &GameLua::requestLatestVersionNumber);
    registerMethod("checkForUpdates", this, &GameLua::checkForUpdates);
    registerMethod("callVersionUpdater", this, &GameLua::callVersionUpdater);
}

// --- script files ------------------------------------------------------------

String GameLua::resolve(const String& path) const
{
    return io::PathName(m_app->dataPath().fullPath(), path).fullPath();
}

String GameLua::readScript(const String& path)
{
    return readScriptFile(resolve(path));
}

String GameLua::readScriptFile(const String& file) const
{
    io::FileInputStream in(file);
    const String bytes = readWhole(in);
    String text;
    if (decipherScript(m_scriptKey, bytes, &text))
        return text;
    if (m_app->developerMode())
        return bytes;
    // A shipped game runs only what was enciphered for it.
    lang::log("%s is not enciphered with the game's script key; plain scripts run only in developer mode\n",
              file.c_str());
    return String();
}

void GameLua::loadIntoGlobalTable(const String& name, const String& path)
{
    try {
        if (name.isEmpty()) {
            noteRun(resolve(path), *this, false);
            state()->runString(readScript(path), resolve(path), this);
        } else {
            lua::LuaTable table = loadDataFile(path);
            setTable(name, &table);
        }
    } catch (const lang::Throwable& e) {
        lang::log("Unable to load lua file %s\n", resolve(path).c_str());
        reportFailure(e);
    }
}

lua::LuaTable GameLua::loadDataFile(const String& path, DataSource source)
{
    lua::LuaTable table(state());
    table.inheritFrom(source == GAME_FILE ? state()->globals() : state()->dataGlobals());
    // Noted before it runs: a file that fails is the one a developer fixes and saves.
    noteRun(resolve(path), table, true);
    String text = readScript(path);
    state()->runData(text, resolve(path), &table);
    return table;
}

void GameLua::runScriptFile(const String& path)
{
    try {
        noteRun(resolve(path), *this, false);
        state()->runString(readScript(path), resolve(path), this);
        callScript("updateValues");
        m_scriptsLoaded = true;
    } catch (const lang::Throwable& e) {
        reportFailure(e);
    }
}

void GameLua::startUpAssets(const String& scriptPath)
{
    loadIntoGlobalTable("blockTable", scriptPath + "/blocks.lua");
    if (isTable("blockTable"))
        m_blockTable = getTable("blockTable");
    callScript("createStartUpAssets");
    if (audio::AudioOutput* output = m_resources->audioOutput()) {
        const int limits[4] = {16, 4, 6, 3};
        for (int track = 0; track < 4; ++track)
            output->setTrackLimit(track, limits[track]);
    }
}

void GameLua::callScript(const char* name)
{
    // A game need not define every callback.
    if (isFunction(name))
        call(name);
}

void GameLua::callback(const char* name, std::initializer_list<lua::LuaValue> arguments)
{
    if (isFunction(name))
        call(name, arguments);
}

lua::LuaTable GameLua::loadSavedTable(const String& fileName)
{
    lua::LuaTable table(state());
    String path, bytes;
    try {
        io::AppDataInputStream in(fileName);
        path = in.toString();
        bytes = readWhole(in);
    } catch (const lang::Throwable&) {
        return table; // none yet: a first run
    }
    try {
        String text = bytes;
        if (bytes.length() > 0 && bytes.length() % 16 == 0)
            lang::BlockCipher::decipher(m_saveKey, bytes.c_str(), bytes.length(), &text);
        state()->runData(text, path, &table);
    } catch (const lang::Throwable& e) {
        // The game starts with an empty table all the same, and would save over the file
        // at exit: it is kept under another name, for the player or a fix to recover.
        table = lua::LuaTable(state());
        moveAside(path, e.getMessage());
    }
    return table;
}

void GameLua::moveAside(const String& path, const String& reason)
{
    String aside = path + ".unreadable";
    for (int n = 2; pf::FileSystem::exists(aside); ++n)
        aside = path + ".unreadable-" + String(std::to_string(n));
    const int line = reason.indexOf('\n');
    const String why = line >= 0 ? reason.substring(0, line) : reason;
    String failure;
    if (pf::FileSystem::rename(path, aside, &failure))
        lang::log("Unreadable %s (%s); moved it aside to %s\n", path.c_str(), why.c_str(), aside.c_str());
    else
        lang::log("Unreadable %s (%s); moving it aside to %s failed: %s\n", path.c_str(), why.c_str(), aside.c_str(),
                  failure.c_str());
}

void GameLua::saveSettings()
{
    saveLuaFile("settings", "settings.lua", true);
}

// --- the frame ---------------------------------------------------------------

void GameLua::update(float dt)
{
    startAudioWhenEnabled();
    setNumber("screenWidth", static_cast<float>(m_context->width()));
    setNumber("screenHeight", static_cast<float>(m_context->height()));
    if (m_app->zoom() != m_app->zoomAtWheel())
        setNumber("zoomLevel", getNumber("zoomLevel") + (m_app->zoom() - m_app->zoomAtWheel()) * 0.5f);

    lua::LuaTable touches(state());
    if (m_app->isKeyDown(framework::KEY_LBUTTON)) {
        lua::LuaTable touch(state());
        touch.setNumber("x", m_cursor.getNumber("x"));
        touch.setNumber("y", m_cursor.getNumber("y"));
        touches.setTable(String("1"), &touch);
        setNumber("touchcount", 1);
    } else {
        setNumber("touchcount", 0);
    }
    setTable(String("touches"), &touches);

    if (m_physics->isEnabled()) {
        m_physics->step(dt);
        m_physics->publish();
        setBoolean("hasMovingObjects", m_physics->hasMovingObjects());
        setBoolean("hasAwakeObjects", m_physics->hasAwakeObjects());
        setBoolean("hasMovingObjectsAboveTolerance", m_physics->hasMovingObjectsAboveTolerance());
        playRollingSounds();
    } else {
        stopRollingSounds();
    }
    deliverCheckAnswers();
    if (isFunction("update"))
        call("update", dt, dt);
    if (m_physics->isEnabled())
        m_particles->update(dt);
}

void GameLua::startAudioWhenEnabled()
{
    audio::AudioOutput* output = m_resources->audioOutput();
    if (!m_app->audioActive() || !output || output->isStarted() || !isTable("settings"))
        return;
    lua::LuaTable settings = getTable("settings");
    if (settings.isBoolean("audioEnabled") && settings.getBoolean("audioEnabled"))
        m_resources->startAudioOutput();
}

// --- natives: application and window -----------------------------------------

void GameLua::requestExit()
{
    m_app->requestQuit();
}

void GameLua::print(String text)
{
    lang::log("%s\n", text.c_str());
}

void GameLua::setBGColor(float r, float g, float b)
{
    auto channel = [](float v) -> uint32_t { return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<uint32_t>(v); };
    m_backgroundColour = channel(r) << 16 | channel(g) << 8 | channel(b);
}

void GameLua::captureMouse(bool on)
{
    m_app->os()->setMouseCaptured(on);
}

bool GameLua::isMouseCaptured()
{
    return m_app->os()->isMouseCaptured();
}

void GameLua::setFullScreenMode(bool on)
{
    m_app->os()->setFullScreenMode(on);
}

bool GameLua::isInFullScreenMode()
{
    return m_app->os()->isInFullScreenMode();
}

void GameLua::setResolution(float width, float height)
{
    m_app->os()->setResolution(static_cast<int>(width), static_cast<int>(height));
}

void GameLua::setIsMultitouchMouseWheelSimulationEnabled(bool on)
{
    m_app->setWheelZoomEnabled(on);
}

void GameLua::setGameOn(bool)
{
    // The desktop OS interface has no game-state operation.
}

bool GameLua::doesMouseClickSetsTouchCount()
{
    return true;
}

void GameLua::printGlobals()
{
    // The game's globals are this table's fields; the interpreter's own global table holds
    // only the standard library.
    forEach([](const lua::LuaEntry& entry) {
        if (entry.valueType == lua::LuaState::TYPE_FUNCTION)
            return;
        if (entry.keyType == lua::LuaState::TYPE_STRING)
            lang::log("Name: %s\n", entry.key.c_str());
        else if (entry.keyType == lua::LuaState::TYPE_NUMBER)
            lang::log("Number: %f\n", static_cast<double>(entry.number));
    });
}

void GameLua::playVideo(String name)
{
    m_videoPlayer->play(resolve(name));
}

void GameLua::goToTaskSwitcherLua()
{
}

void GameLua::setWorldScale(float scale)
{
    m_worldScale = scale;
    m_app->setZoom(scale);
}

void GameLua::setMaxWorldScale(float scale)
{
    m_app->setMaxZoom(scale);
}

int GameLua::timeSlot(const lua::NativeCall& call, const char* native)
{
    if (call.type(1) <= lua::LuaState::TYPE_NIL)
        return 0;
    const float slot = call.getNumber(1);
    if (!(slot >= 0 && slot < TIME_SLOTS) || slot != static_cast<float>(static_cast<int>(slot)))
        throw lang::Exception(Format("{0}: slot {1} is not a whole number from 0 to {2}", native, slot, TIME_SLOTS - 1));
    return static_cast<int>(slot);
}

int GameLua::markTime(lua::NativeCall& call)
{
    m_timeMarks[timeSlot(call, "markTime")] = std::chrono::steady_clock::now();
    return 0;
}

int GameLua::microsecondsSince(lua::NativeCall& call)
{
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed = now - m_timeMarks[timeSlot(call, "microsecondsSince")];
    call.push(static_cast<float>(std::chrono::duration<double, std::micro>(elapsed).count()));
    return 1;
}

void GameLua::unlockAchievement(String id, String text)
{
    lang::log("Unlocking Nexa achievement %s %s\n", id.c_str(), text.c_str());
}

void GameLua::videoPlaybackFinished()
{
    m_app->os()->activate();
    m_app->activateAudio(true);
}

} // namespace game
