#include "framework/App.h"
#include "framework/Framework.h"
#include "framework/sdl/OSSDL.h"
#include "framework/sdl/SDLClock.h"
#include "gr/Context.h"

namespace {

/// Stands in for the game application until the game layer arrives: clears the window
/// every frame and leaves on Escape.
class BlankApp : public framework::App
{
public:
    using App::App;

    void update(float, gr::Context* context, int) override
    {
        context->clear(0xff000000, true, true, false);
        context->present();
        context->resetStatistics();
    }
    void keyDown(int code) override
    {
        if (code == framework::KEY_ESCAPE)
            requestQuit();
    }
};

} // namespace

int main(int argc, char** argv)
{
    framework::OSSDL platform;
    framework::SDLClock clock;
    return framework::run(argc, argv, platform, clock,
                          [](framework::OSInterface* os, gr::Context*) { return new BlankApp(os); });
}
