#pragma once

#include "lang/Object.h"
#include "lang/Ptr.h"
#include "lang/String.h"

namespace pf {

/// The platform side of a Launcher.
class LauncherImpl : public lang::Object
{
public:
    virtual bool openURL(const lang::String& address) = 0;
};

/// Opens a web address with the user's browser (or whatever the desktop registered).
class Launcher : public lang::Object
{
public:
    Launcher();
    /// Hands an http:, https: or mailto: address to the desktop and returns true at once;
    /// the desktop's own failures are not reported. Anything else (a file path, a file: or
    /// javascript: URL, an empty text) is refused with a log line naming it, and false: the
    /// desktop would open or run local things for it.
    bool openURL(const lang::String& address);
    /// Whether openURL hands address to the desktop.
    static bool isWebOrMailAddress(const lang::String& address);

private:
    lang::Ptr<LauncherImpl> m_impl;
};

} // namespace pf
