#include "pf/Launcher.h"

#include "pf/Process.h"

namespace pf {

namespace {

/// xdg-open, detached: the game neither waits for the browser nor leaves a child to reap.
class LauncherImpl_Linux : public LauncherImpl
{
public:
    bool openURL(const lang::String& address) override
    {
        lang::Array<lang::String> arguments;
        arguments.add(address);
        Process::startDetached("xdg-open", arguments);
        return true;
    }
};

} // namespace

Launcher::Launcher() : m_impl(new LauncherImpl_Linux)
{
}

} // namespace pf
