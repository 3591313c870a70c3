#pragma once

#include "framework/Keys.h"
#include "io/PathName.h"
#include "lang/Array.h"

#include <cstdint>

namespace gr {
class Context;
}

namespace framework {

class OSInterface;

/// One touch: identifier and position in window pixels.
struct Touch
{
    int32_t id = 0;
    int32_t x = 0;
    int32_t y = 0;
};

/// The application object the game derives from; exactly one per process.
///
/// The frame calls update() once per frame and the input operations as events arrive,
/// all on the main thread, never during update().
class App
{
public:
    /// os is not owned: the frame keeps it alive for the life of the application.
    explicit App(OSInterface* os);
    virtual ~App();

    App(const App&) = delete;
    App& operator=(const App&) = delete;

    /// One frame: dt in seconds (clamped to [0, 0.1]); passMask is 3 for a regular frame
    /// and 1 for the redraw after a resize.
    virtual void update(float dt, gr::Context* context, int passMask) = 0;
    virtual void keyDown(int code);
    virtual void keyUp(int code);
    /// Text typed while text input is on (OSInterface::setTextInput): one or more
    /// characters, UTF-8, after the key events that made them.
    virtual void textInput(const char* utf8);
    virtual void orientationChanged() {}
    virtual void resized() {}
    /// x, y in window pixels (relative to the client centre while the mouse is captured).
    virtual void mouseMoved(int x, int y);
    /// Whole wheel notches, positive away from the user.
    virtual void mouseWheel(int notches);
    virtual void touchBegan(const Touch& touch);
    virtual void touchMoved(const Touch& touch);
    virtual void touchEnded(const Touch& touch);
    /// Focus gained or lost: forgets every held key and touch.
    virtual void activate(bool active);
    virtual bool activateAudio(bool active);

    /// The current application, or null outside its lifetime.
    static App* current() { return s_current; }

    OSInterface* os() const { return m_os; }
    const io::PathName& dataPath() const { return m_dataPath; }
    void setDataPath(const io::PathName& path) { m_dataPath = path; }
    bool isKeyDown(int code) const { return code >= 0 && code < KEY_COUNT && m_keyDown[code]; }
    /// The window layer's record of held keys (its edge rule reads and writes it).
    void setKeyDown(int code, bool down)
    {
        if (code >= 0 && code < KEY_COUNT)
            m_keyDown[code] = down;
    }
    bool quitRequested() const { return m_quitRequested; }
    void requestQuit() { m_quitRequested = true; }
    const lang::Array<Touch>& touches() const { return m_touches; }

protected:
    void forgetInput();

private:
    OSInterface* m_os;
    io::PathName m_dataPath;
    bool m_keyDown[KEY_COUNT] = {};
    bool m_quitRequested = false;
    lang::Array<Touch> m_touches;

    static App* s_current;
};

} // namespace framework
