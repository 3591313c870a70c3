#pragma once

#include "LogCapture.h"

#include "framework/App.h"
#include "framework/Config.h"
#include "framework/Framework.h"
#include "framework/sdl/OSSDL.h"
#include "lang/Exception.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

/// An application that records what the frame and the window layer tell it.
class RecordingApp : public framework::App
{
public:
    using App::App;

    std::vector<std::string> calls;
    std::vector<float> frames;
    int quitAfter = -1; ///< frames before requesting quit; -1 = never
    int x = -1, y = -1;

    void update(float dt, gr::Context* context, int passMask) override
    {
        if (passMask == 1) {
            calls.push_back("redraw");
            return;
        }
        frames.push_back(dt);
        context->clear(0xff000000, true, true, false);
        if (quitAfter >= 0 && static_cast<int>(frames.size()) >= quitAfter)
            requestQuit();
        context->present();
    }
    void keyDown(int code) override { calls.push_back("down " + std::to_string(code)); }
    void keyUp(int code) override { calls.push_back("up " + std::to_string(code)); }
    void textInput(const char* utf8) override { calls.push_back(std::string("text ") + utf8); }
    void mouseMoved(int px, int py) override { x = px, y = py; }
    void mouseWheel(int notches) override { calls.push_back("wheel " + std::to_string(notches)); }
    void resized() override { calls.push_back("resized"); }
    void activate(bool active) override
    {
        App::activate(active);
        calls.push_back(active ? "activate" : "deactivate");
    }
};

/// A real window and context on the test's X server, with a RecordingApp.
class WindowTest : public ::testing::Test
{
protected:
    LogCapture log;
    framework::OSSDL platform;
    RecordingApp* app = nullptr;

    void open(int width = 480, int height = 320, lang::Array<int> kinds = {}, int orientation = 0)
    {
        framework::FrameState::current() = framework::FrameState();
        // Thrown, not asserted: a test must not go on without its window.
        if (!platform.createWindow("test", width, height, false))
            throw std::runtime_error(std::string("no window (run under xvfb-run): ") + SDL_GetError());
        framework::FrameState::current().context = platform.createContext(kinds, orientation);
        app = new RecordingApp(&platform);
    }
    void TearDown() override
    {
        delete app;
        framework::FrameState::current().context = nullptr;
        platform.destroyWindow();
    }
    gr::Context& context() { return *framework::FrameState::current().context; }

    /// Pushes an event and lets the window layer handle everything waiting.
    void send(SDL_Event event)
    {
        SDL_PushEvent(&event);
        while (platform.pollMessage()) {
        }
    }
    void key(SDL_Keycode sym, bool down, Uint16 mod = KMOD_NONE, bool repeat = false)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        e.key.repeat = repeat;
        e.key.windowID = SDL_GetWindowID(platform.window());
        send(e);
    }
    void window(Uint8 what, int data1 = 0, int data2 = 0)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        e.window.data1 = data1;
        e.window.data2 = data2;
        e.window.windowID = SDL_GetWindowID(platform.window());
        send(e);
    }
    void drain()
    {
        while (platform.pollMessage()) {
        }
        app->calls.clear();
    }
};
