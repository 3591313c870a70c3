#include "framework/sdl/ErrorBox_SDL.h"

#include "lang/ErrorBox.h"

#include <SDL.h>

#include <cstdlib>

using lang::ErrorBoxAnswer;
using lang::String;

namespace framework {

namespace {

bool displayPresent()
{
    // Without a display SDL would fail anyway; saying so up front keeps the X11 backend
    // from trying to connect at all.
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

bool show(const String& caption, const String& text)
{
    return displayPresent() &&
           SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0;
}

bool ask(const String& caption, const String& text, ErrorBoxAnswer* answer)
{
    if (!displayPresent())
        return false;
    const SDL_MessageBoxButtonData buttons[] = {
        {0, int(ErrorBoxAnswer::Abort), "Abort"},
        {0, int(ErrorBoxAnswer::Retry), "Retry"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
         int(ErrorBoxAnswer::Ignore), "Ignore"},
    };
    const SDL_MessageBoxData box = {SDL_MESSAGEBOX_ERROR, nullptr, caption.c_str(), text.c_str(),
                                    SDL_arraysize(buttons), buttons, nullptr};
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0 || pressed < 0)
        return false;
    *answer = static_cast<ErrorBoxAnswer>(pressed);
    return true;
}

const lang::ErrorBoxBackend kBackend = {show, ask};

} // namespace

void installErrorBox_SDL()
{
    lang::setErrorBoxBackend(&kBackend);
}

} // namespace framework
