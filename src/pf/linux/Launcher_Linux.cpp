#include "pf/Launcher.h"

#include <spawn.h>
#include <string>
#include <sys/wait.h>

extern char** environ;

namespace pf {

namespace {

/// xdg-open, detached: a shell starts it in the background and ends at once, so the game
/// neither waits for the browser nor leaves a child to reap.
class LauncherImpl_Linux : public LauncherImpl
{
public:
    bool openURL(const lang::String& address) override
    {
        std::string script = "xdg-open \"$1\" >/dev/null 2>&1 &";
        std::string name = "sh";
        std::string argument = address.str();
        char* argv[] = {&name[0], const_cast<char*>("-c"), &script[0], &name[0], &argument[0], nullptr};
        pid_t child;
        if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, argv, environ) == 0)
            waitpid(child, nullptr, 0);
        return true;
    }
};

} // namespace

Launcher::Launcher() : m_impl(new LauncherImpl_Linux)
{
}

} // namespace pf
