#pragma once

#include "gr/Context.h"
#include "lang/Array.h"
#include "lang/Ptr.h"
#include "lang/String.h"

namespace framework {

class OSInterface;

/// The operating-system services that start-up, the frame loop and shutdown need, with
/// one implementation per platform (OSSDL on the desktop).
class Platform
{
public:
    virtual ~Platform() = default;

    /// The platform's OSInterface (the same object on the desktop).
    virtual OSInterface* os() = 0;

    virtual lang::String programPath() = 0;
    virtual lang::String workingDirectory() = 0;
    virtual void changeWorkingDirectory(const lang::String& directory) = 0;
    /// The per-user data directory for publisher/product, created if missing; "" on failure.
    virtual lang::String applicationDataDirectory(const lang::String& publisher, const lang::String& product) = 0;
    /// The per-user directory for what publisher/product can make again (kept compiled
    /// effects), created if missing; "" on failure.
    virtual lang::String cacheDirectory(const lang::String& publisher, const lang::String& product) = 0;
    /// Claims the single-instance lock called name; false when another process holds it.
    virtual bool claimSingleInstance(const lang::String& name) = 0;

    /// Fills the cursor table; the pointer is hidden over the window unless show.
    virtual void initCursors(bool show) = 0;
    /// Creates the game window; false on failure.
    virtual bool createWindow(const lang::String& className, int width, int height, bool fullScreen) = 0;
    /// Renderer selection: the first of kinds (or 7, 6 when empty) that can be created.
    /// Throws gr::GraphicsException with every kind's reason when none can.
    virtual lang::Ptr<gr::Context> createContext(const lang::Array<int>& kinds, int orientation) = 0;
    /// Sets the title "<name> (<width>x<height>)" from the client size.
    virtual void updateTitle() = 0;
    /// The size of the monitor that shows the window.
    virtual void monitorSize(int* width, int* height) = 0;
    /// The cursor position in client coordinates; false when unknown.
    virtual bool cursorPosition(int* x, int* y) = 0;
    /// Maps a client point by the context's orientation, as mouse moves are.
    virtual void orientPoint(int* x, int* y) = 0;
    virtual void armMouseLeave() = 0;

    /// Removes and dispatches one waiting message; false when none was waiting.
    virtual bool pollMessage() = 0;
    /// Waits for one message and dispatches it.
    virtual void waitMessage() = 0;
    /// Whether a quit message has been dispatched, and its exit code.
    virtual bool quitReceived(int* exitCode) = 0;
    virtual void postQuit(int exitCode) = 0;

    /// Captures the mouse to the window and centres the cursor, or releases the capture.
    virtual void holdMouse(bool hold) = 0;
    /// Makes a fatal error box visible: in full screen, shrinks the window and frees the cursor.
    virtual void prepareForErrorBox() = 0;
    virtual void showErrorBox(const lang::String& text, const lang::String& caption) = 0;
    virtual void releaseCursorClip() = 0;
    virtual void destroyWindow() = 0;
};

} // namespace framework
