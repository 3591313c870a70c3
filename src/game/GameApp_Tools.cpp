// Developer mode's tools over the running game: the console, the physics view, the
// statistics, the screenshot key, and the recording and replay of the input.

#include "game/GameApp.h"

#include "framework/OSInterface.h"
#include "game/DeveloperConsole.h"
#include "game/DeveloperStats.h"
#include "game/GameLua.h"
#include "game/LuaResources.h"
#include "game/Resources.h"
#include "game/PhysicsView.h"
#include "game/ScriptFailure.h"
#include "game/World.h"
#include "gr/Context.h"
#include "img/PngWriter.h"
#include "io/AppData.h"
#include "io/PathName.h"
#include "lang/Debug.h"
#include "lang/Exception.h"
#include "lua/LuaState.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

using lang::String;

namespace game {

namespace {

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

/// screenshot-YYYYMMDD-HHMMSS.png in directory, with -2, -3, ... when that second has one.
String screenshotPath(const String& directory)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string base = directory.str();
    if (!base.empty() && base.back() != '/')
        base += '/';
    base += std::string("screenshot-") + stamp;
    std::string path = base + ".png";
    for (int n = 2; exists(path); ++n)
        path = base + "-" + std::to_string(n) + ".png";
    return String(path);
}

} // namespace

bool GameApp::consoleKey(int code)
{
    if (!m_consoleOpen) {
        if (code != framework::KEY_F1)
            return false;
        openConsole();
    } else if (code == framework::KEY_F1 + 2 || code == framework::KEY_F1 + 3 || code == framework::KEY_F12) {
        return false; // the other developer keys type nothing: they still work
    } else if (code == framework::KEY_F1 || code == framework::KEY_ESCAPE) {
        closeConsole();
    } else {
        m_console->key(code);
        // What the line left for the error screen is the line's error, shown with it.
        ScriptFailure failure;
        if (m_world->takeFailure(&failure))
            m_console->addError(failure.message);
    }
    if (code >= 0 && code < framework::KEY_COUNT)
        m_keyToConsole[code] = true;
    return true;
}

void GameApp::openConsole()
{
    if (!m_console) {
        try {
            m_console.reset(new DeveloperConsole(m_lua.ptr(), *m_world));
        } catch (const lang::Throwable& e) {
            lang::log("Can't open the console: %s\n", e.getMessage().c_str());
            return;
        }
    }
    m_consoleOpen = true;
    os()->setTextInput(true);
    lang::log("Console open: Enter runs a line of Lua, Up and Down recall lines, F1 or Esc closes\n");
}

void GameApp::closeConsole()
{
    if (!m_consoleOpen)
        return;
    m_consoleOpen = false;
    os()->setTextInput(false);
}

void GameApp::textInput(const char* utf8)
{
    if (!m_feeding) {
        if (m_replaying)
            return; // a replay takes no text from the window
        if (m_recording)
            m_recording->noteText(utf8);
    }
    if (!m_consoleOpen || m_errorScreen)
        return;
    m_console->type(utf8);
}

bool GameApp::developerKey(int code)
{
    if (code == framework::KEY_F1 + 2) {
        m_physicsView = !m_physicsView;
        return true;
    }
    if (code == framework::KEY_F1 + 3) {
        m_statisticsShown = !m_statisticsShown;
        return true;
    }
    if (code == framework::KEY_F12) {
        m_screenshotRequested = true;
        return true;
    }
    return false;
}

void GameApp::drawDeveloperViews(float dt, gr::Context* context)
{
    try {
        if (!m_stats)
            m_stats.reset(new DeveloperStats);
        // The game's last quads wait in the batch; they count in its frame, not the overlay's.
        context->flush();
        audio::AudioOutput* output = m_resources->resources()->audioOutput();
        m_stats->record(DeveloperStats::measure(dt, m_world->physics(), context, m_lua->memoryBytes(),
                                                output ? output->playingCount() : -1));
        if (m_physicsView)
            PhysicsView::draw(context, m_world->physics(), m_world->topLeftX(), m_world->topLeftY(),
                              m_world->worldScale());
        if (m_statisticsShown || m_consoleOpen) {
            // Over the screen as it is, whatever transform the scripts left for their next frame.
            const gr::DrawState saved = context->drawState();
            context->setDrawState(gr::DrawState());
            if (m_statisticsShown)
                m_stats->draw(context);
            if (m_consoleOpen)
                m_console->draw(context);
            context->flush();
            context->setDrawState(saved);
        }
        context->flush();
    } catch (const lang::Throwable& e) {
        lang::log("Can't draw the developer views: %s\n", e.getMessage().c_str());
        m_physicsView = m_statisticsShown = false;
        closeConsole();
    }
    if (m_screenshotRequested) {
        m_screenshotRequested = false;
        saveScreenshot(context);
    }
}

void GameApp::saveScreenshot(gr::Context* context)
{
    std::vector<uint8_t> rgba;
    if (!context->readPixels(&rgba)) {
        lang::log("This renderer can't read the frame back for a screenshot\n");
        return;
    }
    // What blending left in the frame's alpha is never seen: the picture is opaque.
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 0xff;
    const String path = screenshotPath(io::applicationDataPath());
    try {
        img::PngWriter::write(path, context->width(), context->height(), rgba.data());
        m_lastScreenshot = path;
        lang::log("Screenshot saved to %s\n", path.c_str());
    } catch (const lang::Throwable& e) {
        lang::log("Can't save the screenshot: %s\n", e.getMessage().c_str());
    }
}

void GameApp::startInputRecording(const lang::Array<String>& arguments)
{
    for (int i = 2; i < arguments.size(); ++i) {
        const std::string argument = arguments[i].str();
        const bool record = argument.rfind("--record=", 0) == 0, replay = argument.rfind("--replay=", 0) == 0;
        if (!record && !replay)
            continue;
        const String path(argument.substr(9));
        if (!m_developer) {
            lang::log("%s works only in developer mode (--dev); the input is neither recorded nor replayed\n",
                      record ? "--record" : "--replay");
            continue;
        }
        try {
            if (record) {
                m_recording.reset(new InputRecording(path));
                lang::log("Recording the input into %s\n", path.c_str());
            } else {
                m_replay = InputRecording::read(path);
                m_replayNext = 0;
                m_replayFrame = 0;
                m_replaying = m_replayed = true;
                lang::log("Replaying the input of %s\n", path.c_str());
            }
        } catch (const lang::Throwable& e) {
            lang::log("%s\n", e.getMessage().c_str());
        }
    }
}

bool GameApp::inputArrives(InputRecording::Kind kind, int a, int b)
{
    if (m_feeding)
        return true;
    if (m_replaying)
        return false; // the window's own input would make another game
    if (m_recording)
        m_recording->note(kind, a, b);
    return true;
}

float GameApp::inputFrame(float dt)
{
    if (m_recording)
        m_recording->frame(dt);
    if (!m_replaying)
        return dt;
    m_feeding = true;
    while (m_replayNext < m_replay.size() && m_replay[m_replayNext].frame <= m_replayFrame) {
        const InputRecording::Event& event = m_replay[m_replayNext++];
        dt = event.dt;
        switch (event.kind) {
        case InputRecording::KEY_DOWN:
            setKeyDown(event.a, true);
            keyDown(event.a);
            break;
        case InputRecording::KEY_UP:
            setKeyDown(event.a, false);
            keyUp(event.a);
            break;
        case InputRecording::MOVE:
            mouseMoved(event.a, event.b);
            break;
        case InputRecording::WHEEL:
            mouseWheel(event.a);
            break;
        case InputRecording::FOCUS:
            activate(event.a != 0);
            break;
        case InputRecording::TEXT:
            textInput(event.text.c_str());
            break;
        case InputRecording::FRAME:
            break;
        }
        if (event.kind == InputRecording::FRAME)
            break;
    }
    m_feeding = false;
    ++m_replayFrame;
    if (m_replayNext >= m_replay.size()) {
        m_replaying = false;
        lang::log("The replay ended after %d frames; the input is live again\n", m_replayFrame);
    }
    return dt;
}

void GameApp::logBodiesAtExit()
{
    if (!m_world)
        return;
    std::vector<const RenderObjectData*> bodies;
    for (auto it = m_world->physics().objects().begin(); it != m_world->physics().objects().end(); ++it)
        if (it.value()->body)
            bodies.push_back(it.value());
    std::sort(bodies.begin(), bodies.end(),
              [](const RenderObjectData* a, const RenderObjectData* b) { return a->name < b->name; });
    lang::log("Bodies at the end of the run: %d\n", static_cast<int>(bodies.size()));
    for (const RenderObjectData* object : bodies) {
        const b2Vec2 position = object->body->GetPosition();
        lang::log("body %s %a %a %a\n", object->name.c_str(), static_cast<double>(position.x),
                  static_cast<double>(position.y), static_cast<double>(object->body->GetAngle()));
    }
}

} // namespace game
