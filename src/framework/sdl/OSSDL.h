#pragma once

#include "framework/OSInterface.h"
#include "framework/Platform.h"
#include "lang/Hashtable.h"
#include "pf/InstanceLock.h"

#include <SDL.h>

namespace framework {

/// The desktop platform over SDL2: the game window, its events turned into App calls,
/// full screen, cursors, mouse capture, renderer selection and the process services.
class OSSDL : public OSInterface, public Platform
{
public:
    OSSDL();
    ~OSSDL() override;

    // OSInterface
    void setResolution(int width, int height) override;
    void setFullScreenMode(bool on) override;
    void setCursor(const lang::String& name) override;
    /// Releasing also gives the pointer back at once: the frame loop only holds it.
    bool setMouseCaptured(bool captured) override;
    bool setClipboardText(const lang::String& text) override;
    void setTextInput(bool on) override;

    // Platform
    OSInterface* os() override { return this; }
    lang::String programPath() override;
    lang::String workingDirectory() override;
    void changeWorkingDirectory(const lang::String& directory) override;
    lang::String applicationDataDirectory(const lang::String& publisher, const lang::String& product) override;
    lang::String cacheDirectory(const lang::String& publisher, const lang::String& product) override;
    bool claimSingleInstance(const lang::String& name) override;
    void initCursors(bool show) override;
    bool createWindow(const lang::String& className, int width, int height, bool fullScreen) override;
    lang::Ptr<gr::Context> createContext(const lang::Array<int>& kinds, int orientation) override;
    void updateTitle() override;
    void monitorSize(int* width, int* height) override;
    bool cursorPosition(int* x, int* y) override;
    void orientPoint(int* x, int* y) override;
    void armMouseLeave() override {}
    bool pollMessage() override;
    void waitMessage() override;
    bool quitReceived(int* exitCode) override;
    void postQuit(int exitCode) override;
    void holdMouse(bool hold) override;
    void prepareForErrorBox() override;
    void showErrorBox(const lang::String& text, const lang::String& caption) override;
    void releaseCursorClip() override;
    void destroyWindow() override;

    /// Handles one event as the window procedure would; public for the input tests.
    void dispatch(const SDL_Event& event);
    /// The key code of an SDL key, 0 when the game does not see it.
    static int keyCode(SDL_Keycode key);
    SDL_Window* window() const { return m_window; }

private:
    SDL_Window* m_window = nullptr;
    bool m_videoStarted = false;
    bool m_quit = false;
    int m_exitCode = 0;
    lang::Ptr<pf::InstanceLock> m_instanceLock; ///< kept while this object lives; null until claimed
    int m_savedX = 0, m_savedY = 0, m_savedWidth = 0, m_savedHeight = 0;
    lang::Hashtable<lang::String, SDL_Cursor*> m_cursors;
    SDL_Cursor* m_currentCursor = nullptr;
    bool m_cursorShown = true;

    void press(int code, bool down);
    void mouseMove(int x, int y);
    void windowEvent(const SDL_WindowEvent& event);
    void focusChanged(bool active);
    void showCurrentCursor();
};

} // namespace framework
