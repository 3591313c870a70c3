// The process entry: the desktop platform, its clock and the game application.

#include "framework/Framework.h"
#include "framework/sdl/OSSDL.h"
#include "framework/sdl/SDLClock.h"
#include "game/GameApp.h"
#include "pf/Process.h"

int main(int argc, char** argv)
{
    pf::Process::keepFreedMemory();
    framework::OSSDL platform;
    framework::SDLClock clock;
    return framework::run(
        argc, argv, platform, clock,
        [](framework::OSInterface* os, gr::Context* context) { return new game::GameApp(os, context); },
        &game::GameApp::prepare);
}
