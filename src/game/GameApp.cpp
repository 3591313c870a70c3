#include "game/GameApp.h"

#include "framework/Config.h"
#include "framework/Framework.h"
#include "framework/OSInterface.h"
#include "game/DeveloperConsole.h"
#include "game/DeveloperStats.h"
#include "game/ErrorScreen.h"
#include "game/GameLua.h"
#include "game/HotReload.h"
#include "game/LuaResources.h"
#include "gr/Context.h"
#include "img/ImagePrefetch.h"
#include "io/FileBundle.h"
#include "lang/Debug.h"
#include "lua/LuaNames.h"
#include "lua/LuaState.h"
#include "pf/Locale.h"

using framework::Config;
using framework::KEY_COUNT;
using lang::String;

namespace game {

namespace {

/// The bundle prepare() opened before the window, for the GameApp of that configuration.
lang::Ptr<io::FileBundle> g_preparedBundle;
String g_preparedDataPath;
bool g_prepared = false;

/// The data directory's bundle, installed; null (files are read loose) when there is none.
lang::Ptr<io::FileBundle> openBundle(const String& dataPath)
{
    lang::Ptr<io::FileBundle> bundle = new io::FileBundle;
    try {
        bundle->load(dataPath, dataPath + "bundleIndex.idx");
        io::FileBundle::install(bundle.ptr());
        return bundle;
    } catch (...) {
        lang::log("Can't find bundle, using files directly...\n");
        return nullptr;
    }
}

/// Whether the command line asks for developer mode: --dev after the configuration.
bool askedForDeveloperMode(const lang::Array<String>& arguments)
{
    for (int i = 2; i < arguments.size(); ++i)
        if (arguments[i] == "--dev")
            return true;
    return false;
}

} // namespace

GameApp::GameApp(framework::OSInterface* os, gr::Context* context) : App(os), m_context(context)
{
    Config& config = Config::current();
    m_developer = config.developer || askedForDeveloperMode(os->arguments());
    if (m_developer)
        lang::log("Developer mode\n");
    startInputRecording(os->arguments());
    m_lua = new lua::LuaState;
    m_resources = new LuaResources(m_lua.ptr(), context);
    setDataPath(io::PathName(config.dataPath));
    context->setShaderPath(config.dataPath + "shaders/");
    m_resources->resources()->setPath(config.dataPath);
    m_wasFullScreen = true;

    if (g_prepared && g_preparedDataPath == config.dataPath)
        m_bundle = g_preparedBundle;
    else
        m_bundle = openBundle(config.dataPath);
    g_preparedBundle = nullptr;
    g_prepared = false;

    m_world = new GameLua(m_lua.ptr(), this, m_resources->resources(), context);
    m_world->setString("imagePath", config.imagePath);
    m_world->setString("fontPath", config.fontPath);
    m_world->setString("audioPath", config.audioPath);
    m_world->setString("localizationPath", config.localizationPath);
    m_world->setString("levelPath", config.levelPath);
    m_world->setString("scriptPath", config.scriptPath);
    m_world->setString("deviceModel", config.deviceModel);
    m_world->setBoolean("isBetaVersion", config.isBetaVersion);
    if (config.deviceModel == "roku")
        m_world->setBoolean("rokuOnWindows", true);
    publishLaunchOptions(os->arguments());

    m_scriptPath = config.scriptPath;
    runStartUpScripts();

    const String dataPath = config.dataPath;
    config.dataPath = config.imagePath = config.fontPath = config.audioPath = String();
    config.localizationPath = config.levelPath = config.scriptPath = String();
    if (context->kind() == gr::Context::KIND_GLES2 || context->kind() == gr::Context::KIND_GL2)
        preloadShaders(dataPath);

    m_keyNames.reset(new lua::LuaNames(m_lua.ptr(), framework::keyNames(), KEY_COUNT));
    for (int i = 0; i < KEY_COUNT; ++i)
        m_keyPressedNow[i] = m_keyReleasedNow[i] = false;
    const bool none[KEY_COUNT] = {};
    m_world->keyPressed().setBooleans(*m_keyNames, none);
    m_world->keyReleased().setBooleans(*m_keyNames, none);
    m_world->keyHold().setBooleans(*m_keyNames, none);

    runScripts([this] { m_world->startUpAssets(m_scriptPath); });
    chooseTextLanguage();
    float volume = 1.0f;
    if (m_world->isTable("settings")) {
        lua::LuaTable settings = m_world->getTable("settings");
        if (settings.isNumber("volume"))
            volume = settings.getNumber("volume");
    }
    m_resources->resources()->setMasterVolume(volume);
    if (os->forcesAudioOff() && m_world->isTable("settings"))
        m_world->getTable("settings").setBoolean("audioEnabled", false);

    m_animTime = -1;
    m_animDuration = -1;
    setGestureState(0);
    m_startDistance = -1;
    m_wheelZoomEnabled = true;

    // Whatever the start-up didn't ask for is dropped, and the bundle is the main thread's again.
    img::ImagePrefetch::finish();
    if (m_developer) {
        showKeptFailure("Start-up failed", FAILED_START_UP);
        startHotReload();
    }
}

void GameApp::prepare(const Config& config)
{
    g_preparedBundle = openBundle(config.dataPath);
    g_preparedDataPath = config.dataPath;
    g_prepared = true;
    std::vector<std::string> files;
    for (int i = 0; i < config.preload.size(); ++i)
        files.push_back((config.dataPath + config.preload[i]).str());
    img::ImagePrefetch::start(std::move(files));
}

void GameApp::runStartUpScripts()
{
    m_world->loadIntoGlobalTable("starTable", m_scriptPath + "/starLimits.lua");
    m_world->loadIntoGlobalTable(String(), m_scriptPath + "/loadlist.lua");
    m_world->runScriptFile(m_scriptPath + "/gamelogic.lua");
}

GameApp::~GameApp()
{
    img::ImagePrefetch::finish(); // a start-up that failed may leave it reading the bundle
    if (m_recording || m_replayed)
        logBodiesAtExit();
    // The watcher's worker stops first. The world calls calculatePlaytime and saves the
    // settings on its way out; every script handle goes before the interpreter.
    m_hotReload.reset();
    m_console.reset();
    m_keyNames.reset();
    m_world = nullptr;
    m_resources = nullptr;
    m_lua = nullptr;
    if (io::FileBundle::installed() == m_bundle.ptr())
        io::FileBundle::install(nullptr);
    m_bundle = nullptr;
}

void GameApp::publishLaunchOptions(const lang::Array<String>& arguments)
{
    // The program and the configuration come first; what follows is for the scripts: a game
    // starts in a demo mode or at a level without a configuration of its own for each.
    lua::LuaTable options(m_world->state());
    for (int i = 2; i < arguments.size(); ++i) {
        const String& argument = arguments[i];
        if (!argument.startsWith("--") || argument.length() == 2) {
            lang::log("Ignoring the argument %s: the game takes --name or --name=value\n", argument.c_str());
            continue;
        }
        const int equals = argument.indexOf('=');
        if (equals < 0)
            options.setBoolean(argument.substring(2).c_str(), true);
        else
            options.setString(argument.substring(2, equals).c_str(), argument.substring(equals + 1));
    }
    m_world->setTable(String("launchOptions"), &options);
}

void GameApp::preloadShaders(const String& dataPath)
{
    // The first frame should not stall on reading effect files. One that is missing is
    // reported when it is first drawn with as well.
    for (const char* name : {"shaders/2d-sprite-alpha-masked", "shaders/2d-sprite", "shaders/2d-sprite-alpha",
                             "shaders/2d-vertexcolor-alpha", "shaders/2d-vertexcolor"}) {
        try {
            m_context->getShader(dataPath + name, 0);
        } catch (const lang::Throwable& e) {
            lang::log("Can't preload %s: %s\n", name, e.getMessage().c_str());
        }
    }
}

void GameApp::chooseTextLanguage()
{
    Resources* resources = m_resources->resources();
    TextGroupSet* texts = resources->textGroupSet("TEXTS_BASIC");
    String language = "en_EN";
    if (texts) {
        for (const String& preferred : pf::Locale().preferredLanguages()) {
            if (texts->hasLanguage(preferred)) {
                language = preferred;
                break;
            }
        }
    }
    try {
        resources->loadLocale("TEXTS_BASIC", language);
    } catch (const lang::Throwable& e) {
        // Texts that lack the language show their ids; the game still starts.
        lang::log("Can't load the texts: %s\n", e.getMessage().c_str());
    }
    resources->useLocale(language);
}

void GameApp::update(float dt, gr::Context* context, int)
{
    if (m_developer) {
        dt = inputFrame(dt);
        reloadSavedFiles();
        if (m_errorScreen) {
            drawErrorScreen(context);
            return;
        }
    }
    if (touches().size() > 3)
        App::activate(false); // forget held keys and touches
    advanceZoom(dt);
    runGestures(dt);
    publishKeys();
    volumeKeys();
    resolutionSwitch();

    context->beginFrame();
    context->clear(0xff000000 | m_world->backgroundColour(), true, true, true);
    runScripts([this, dt] { m_world->update(dt); });
    if (m_developer && showKeptFailure("Script error", FAILED_FRAME)) {
        context->endFrame();
        drawErrorScreen(context);
        return;
    }
    if (m_developer)
        drawDeveloperViews(dt, context);
    context->endFrame();
    context->present();
    context->resetStatistics();

    if (framework::FrameState::current().mouseCaptured) {
        m_world->cursor().setNumber("x", 0);
        m_world->cursor().setNumber("y", 0);
    }
    m_world->cursor().setBoolean("wheelTriggered", false);
}

void GameApp::publishKeys()
{
    // While the console is open the keys are its own: the game sees none held.
    bool held[KEY_COUNT];
    for (int i = 0; i < KEY_COUNT; ++i)
        held[i] = !m_consoleOpen && isKeyDown(i);
    m_world->keyPressed().setBooleans(*m_keyNames, m_keyPressedNow);
    m_world->keyReleased().setBooleans(*m_keyNames, m_keyReleasedNow);
    m_world->keyHold().setBooleans(*m_keyNames, held);
    for (int i = 0; i < KEY_COUNT; ++i)
        m_keyPressedNow[i] = m_keyReleasedNow[i] = false;
}

void GameApp::volumeKeys()
{
    lua::LuaTable& pressed = m_world->keyPressed();
    float change = 0;
    if (pressed.getBoolean("VOLUME_UP") || pressed.getBoolean("ADD"))
        change += 0.1f;
    if (pressed.getBoolean("VOLUME_DOWN") || pressed.getBoolean("SUBTRACT"))
        change -= 0.1f;
    if (change == 0)
        return;
    audio::AudioOutput* output = m_resources->resources()->audioOutput();
    float volume = (output ? output->getMasterVolume() : 0) + change;
    volume = volume < 0 ? 0 : volume > 1 ? 1 : volume;
    if (output)
        output->setMasterVolume(volume);
    if (m_world->isTable("settings"))
        m_world->getTable("settings").setNumber("volume", volume);
}

void GameApp::resolutionSwitch()
{
    if (!m_world->isString("deviceModel") || m_world->getString("deviceModel") != "iphone4" ||
        !m_world->isBoolean("changeResolution") || !m_world->getBoolean("changeResolution"))
        return;
    if (m_world->isString("wantedResolution") && m_world->getString("wantedResolution") == "FULL") {
        os()->setResolution(m_context->windowWidth(), m_context->windowHeight());
        lang::log("Retina resolution\n");
    } else {
        os()->setResolution(m_context->windowWidth() / 2, m_context->windowHeight() / 2);
        lang::log("Half resolution\n");
    }
    m_world->setBoolean("changeResolution", false);
}

void GameApp::activate(bool active)
{
    if (!inputArrives(InputRecording::FOCUS, active ? 1 : 0))
        return;
    App::activate(active);
    if (m_errorScreen)
        return; // the scripts are not called again until they are reloaded
    if (m_world && m_world->scriptsLoaded() && m_world->isFunction(active ? "gameResumed" : "gamePaused")) {
        runScripts([this, active] { m_world->call(active ? "gameResumed" : "gamePaused"); });
        if (m_developer)
            showKeptFailure("Script error", FAILED_FRAME);
    }
}

bool GameApp::activateAudio(bool active)
{
    m_audioActive = active;
    Resources* resources = m_resources->resources();
    audio::AudioOutput* output = resources->audioOutput();
    audio::AudioInput* input = resources->audioInput();
    if (!active) {
        if (input)
            input->stop();
        if (output)
            output->stop();
        return true;
    }
    bool enabled = true;
    if (m_world && m_world->isTable("settings")) {
        lua::LuaTable settings = m_world->getTable("settings");
        enabled = !(settings.isBoolean("audioEnabled") && !settings.getBoolean("audioEnabled"));
    }
    const bool started = enabled && output ? output->start() : true;
    if (input)
        input->start();
    return started;
}

void GameApp::resized()
{
    if (m_errorScreen || !m_world || !m_world->isFunction("resolutionChanged"))
        return;
    runScripts([this] {
        m_world->call("resolutionChanged", static_cast<float>(m_context->width()), static_cast<float>(m_context->height()));
    });
    if (m_developer)
        showKeptFailure("Script error", FAILED_FRAME);
}

} // namespace game
