#include "lang/ErrorBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

namespace lang {

namespace {

bool dialogsAllowed()
{
    const char* off = std::getenv("PELTERRA_NO_DIALOGS");
    if (off && *off && *off != '0')
        return false;
    // Without a display SDL would fail anyway; saying so up front keeps the X11 backend
    // from trying to connect at all.
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

} // namespace

void showErrorBox(const String& caption, const String& text)
{
    if (dialogsAllowed() && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0)
        return;
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
}

ErrorBoxAnswer askAbortRetryIgnore(const String& caption, const String& text)
{
    if (dialogsAllowed()) {
        const SDL_MessageBoxButtonData buttons[] = {
            {0, int(ErrorBoxAnswer::Abort), "Abort"},
            {0, int(ErrorBoxAnswer::Retry), "Retry"},
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
             int(ErrorBoxAnswer::Ignore), "Ignore"},
        };
        const SDL_MessageBoxData box = {SDL_MESSAGEBOX_ERROR, nullptr, caption.c_str(), text.c_str(),
                                        SDL_arraysize(buttons), buttons, nullptr};
        int pressed = -1;
        if (SDL_ShowMessageBox(&box, &pressed) == 0 && pressed >= 0)
            return static_cast<ErrorBoxAnswer>(pressed);
    }
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
    return ErrorBoxAnswer::Ignore;
}

} // namespace lang
