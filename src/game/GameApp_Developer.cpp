// Developer mode of the game application: the error screen, its keys and hot reload.

#include "game/GameApp.h"

#include "framework/OSInterface.h"
#include "game/ErrorScreen.h"
#include "game/GameLua.h"
#include "game/HotReload.h"
#include "game/LuaResources.h"
#include "gr/Context.h"
#include "lang/Debug.h"
#include "lang/Exception.h"

#include <exception>

using lang::String;

namespace game {

bool GameApp::runScripts(const std::function<void()>& body)
{
    if (!m_developer) {
        body();
        return true;
    }
    try {
        body();
        return true;
    } catch (const lang::Throwable& e) {
        m_world->reportFailure(e);
    } catch (const std::exception& e) {
        m_world->reportFailure(lang::Exception(lang::Format("{0}", e.what())));
    }
    return false;
}

bool GameApp::showKeptFailure(const char* title, FailureKind kind, const String& file)
{
    ScriptFailure failure;
    if (!m_world->takeFailure(&failure))
        return false;
    m_errorScreen.reset(new ErrorScreen(title, failure));
    closeConsole();
    m_failureKind = kind;
    m_failedFile = file;
    // What the scripts left in settings may be half-done: the files keep their last good state.
    m_world->setSavesAtExit(false);
    lang::log("%s: the scripts stop until R reloads them (C copies the report, Esc quits)\n", title);
    return true;
}

void GameApp::closeErrorScreen()
{
    m_errorScreen.reset();
    m_failedFile = String();
    m_errorScreenBroken = false;
}

void GameApp::reloadScripts()
{
    if (m_errorScreen && m_failureKind == FAILED_RELOAD && m_hotReload) {
        const String file = m_failedFile;
        closeErrorScreen();
        runScripts([this, &file] { m_hotReload->reload(file); });
        showKeptFailure("Reload failed", FAILED_RELOAD, file);
        return;
    }
    closeErrorScreen();
    ScriptFailure stale;
    m_world->takeFailure(&stale);
    runStartUpScripts();
    runScripts([this] { m_world->startUpAssets(m_scriptPath); });
    if (!showKeptFailure("Start-up failed", FAILED_START_UP))
        lang::log("Reloaded the start-up scripts\n");
}

void GameApp::restartLevel(const String& level)
{
    if (level.isEmpty())
        return;
    // Only the scripts know how a level becomes its world: loadLevel reads the file, they
    // make the objects and their own state from it.
    if (!m_world->isFunction("restartLevel")) {
        lang::log("The game defines no restartLevel(levelName): %s goes on as it was\n", level.c_str());
        return;
    }
    lang::log("Restarting %s\n", level.c_str());
    runScripts([this, &level] { m_world->call("restartLevel", {lua::LuaValue(level)}); });
    showKeptFailure("Script error", FAILED_FRAME);
}

void GameApp::startHotReload()
{
    try {
        m_hotReload.reset(new HotReload(m_world.ptr(), m_resources->resources(), dataPath().fullPath()));
    } catch (const lang::Throwable& e) {
        lang::log("Saved files are not reloaded: %s\n", e.getMessage().c_str());
    }
}

void GameApp::reloadSavedFiles()
{
    if (!m_hotReload)
        return;
    for (const String& file : m_hotReload->savedFiles()) {
        // A start-up that failed runs again whole: createStartUpAssets may never have run.
        if (m_errorScreen && m_failureKind == FAILED_START_UP && m_hotReload->isScript(file)) {
            reloadScripts();
            continue;
        }
        bool reloaded = false;
        runScripts([this, &file, &reloaded] { reloaded = m_hotReload->reload(file); });
        if (showKeptFailure("Reload failed", FAILED_RELOAD, file) || !reloaded || !m_errorScreen)
            continue;
        // A fixed script may have fixed the frame that failed; if not, it fails again.
        if ((m_failureKind == FAILED_FRAME && m_hotReload->isScript(file)) ||
            (m_failureKind == FAILED_RELOAD && file == m_failedFile))
            closeErrorScreen();
    }
}

void GameApp::errorScreenKey(int code)
{
    if (code == framework::KEY_A + ('R' - 'A')) {
        // The level that was running, before the scripts run again and perhaps load another.
        const String level = m_world->currentLevel();
        reloadScripts();
        if (!m_errorScreen)
            restartLevel(level);
    } else if (code == framework::KEY_A + ('C' - 'A')) {
        if (os()->setClipboardText(m_errorScreen->text()))
            lang::log("Copied the error report to the clipboard\n");
        else
            lang::log("There is no clipboard to copy the error report to\n");
    } else if (code == framework::KEY_ESCAPE) {
        requestQuit();
    }
}

void GameApp::drawErrorScreen(gr::Context* context)
{
    context->beginFrame();
    try {
        // The failed frame may have left a render target, a transform, a clip and a batch.
        if (context->renderTarget())
            context->setRenderTarget(nullptr);
        context->setDrawState(gr::DrawState());
        try {
            context->flush();
        } catch (const lang::Throwable&) {
            // What could not be drawn then can't now; the batch is dropped.
        }
        context->clear(ErrorScreen::BACKGROUND, true, true, true);
        m_errorScreen->draw(context);
        context->flush();
    } catch (const lang::Throwable& e) {
        if (!m_errorScreenBroken)
            lang::log("Can't draw the error screen: %s\n", e.getMessage().c_str());
        m_errorScreenBroken = true;
    }
    context->endFrame();
    context->present();
    context->resetStatistics();
}

} // namespace game
