#include "framework/OSInterface.h"

#include "framework/App.h"
#include "framework/Framework.h"

namespace framework {

void OSInterface::setOrientation(int orientation)
{
    if (FrameState::current().context)
        FrameState::current().context->setOrientation(orientation);
    if (App* app = App::current()) {
        app->orientationChanged();
        app->resized();
    }
}

void OSInterface::activate()
{
    FrameState::current().active = true;
    if (App* app = App::current()) {
        app->activate(true);
        app->activateAudio(true);
    }
}

void OSInterface::deactivate()
{
    FrameState::current().active = false;
    if (App* app = App::current()) {
        app->activate(false);
        app->activateAudio(false);
    }
}

bool OSInterface::isInFullScreenMode() const
{
    return FrameState::current().fullScreen;
}

bool OSInterface::setMouseCaptured(bool captured)
{
    FrameState::current().mouseCaptured = captured;
    return true;
}

bool OSInterface::isMouseCaptured() const
{
    return FrameState::current().mouseCaptured;
}

} // namespace framework
