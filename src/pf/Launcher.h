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
    /// Hands the address to the desktop and returns true at once; failures are not reported.
    bool openURL(const lang::String& address) { return m_impl->openURL(address); }

private:
    lang::Ptr<LauncherImpl> m_impl;
};

} // namespace pf
