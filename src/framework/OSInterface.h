#pragma once

#include "lang/Array.h"
#include "lang/String.h"

namespace framework {

/// The game's door to the window and the operating system; one per process.
class OSInterface
{
public:
    virtual ~OSInterface() = default;

    /// The resource path prefix of data paths (empty on the desktop).
    lang::String getResourcePath() const { return m_resourcePath; }
    /// The command line, the program path first.
    const lang::Array<lang::String>& arguments() const { return m_arguments; }
    void addArgument(const lang::String& argument) { m_arguments.add(argument); }

    /// Makes the window's client area width x height; the resize that follows reaches the
    /// context and the application.
    virtual void setResolution(int width, int height) = 0;
    /// setOrientation on the current context, then orientationChanged and resized on the
    /// current application.
    virtual void setOrientation(int orientation);
    virtual bool forcesAudioOff() const { return false; }
    /// Sets the activation flag and activates the application (and its audio).
    virtual void activate();
    virtual void deactivate();
    virtual void setFullScreenMode(bool on) = 0;
    virtual bool isInFullScreenMode() const;
    /// While captured, the cursor is hidden and held at the client centre, and movements
    /// arrive relative to it.
    virtual bool setMouseCaptured(bool captured);
    virtual bool isMouseCaptured() const;
    /// Shows the named cursor: "EMPTY", "DEFAULT" or a cursor file loaded on first use.
    /// Throws lang::Exception "Setting cursor \"{0}\" failed! Code: {1}".
    virtual void setCursor(const lang::String& name) = 0;
    /// Turns the window's text input on or off: while on, typed characters reach
    /// App::textInput (after their keys' events) and an input method may compose them.
    virtual void setTextInput(bool) {}
    /// Puts text (UTF-8) on the desktop's clipboard; false where there is none to put it on.
    virtual bool setClipboardText(const lang::String&) { return false; }

private:
    lang::Array<lang::String> m_arguments;
    lang::String m_resourcePath;
};

} // namespace framework
