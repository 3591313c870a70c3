#include "framework/App.h"

namespace framework {

App* App::s_current = nullptr;

App::App(OSInterface* os) : m_os(os)
{
    s_current = this;
}

App::~App()
{
    if (s_current == this)
        s_current = nullptr;
}

void App::keyDown(int)
{
}

void App::keyUp(int)
{
}

void App::textInput(const char*)
{
}

void App::mouseMoved(int, int)
{
}

void App::mouseWheel(int)
{
}

void App::touchBegan(const Touch& touch)
{
    m_touches.add(touch);
}

void App::touchMoved(const Touch& touch)
{
    for (Touch& t : m_touches) {
        if (t.id == touch.id) {
            t.x = touch.x;
            t.y = touch.y;
            return;
        }
    }
}

void App::touchEnded(const Touch& touch)
{
    for (int i = 0; i < m_touches.size(); ++i) {
        if (m_touches[i].id == touch.id) {
            m_touches.remove(i);
            return;
        }
    }
}

void App::forgetInput()
{
    for (bool& held : m_keyDown)
        held = false;
    m_touches.clear();
}

void App::activate(bool)
{
    forgetInput();
}

bool App::activateAudio(bool)
{
    return true;
}

} // namespace framework
