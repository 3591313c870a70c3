#include "lang/ErrorBox.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace lang {

namespace {

std::atomic<const ErrorBoxBackend*> g_backend{nullptr};

// Asked before the backend, so that a test run never reaches a window system at all.
const ErrorBoxBackend* backendAllowed()
{
    const char* off = std::getenv("PELTERRA_NO_DIALOGS");
    if (off && *off && *off != '0')
        return nullptr;
    return g_backend.load();
}

void printBox(const String& caption, const String& text)
{
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
}

} // namespace

void setErrorBoxBackend(const ErrorBoxBackend* backend)
{
    g_backend.store(backend);
}

void showErrorBox(const String& caption, const String& text)
{
    const ErrorBoxBackend* backend = backendAllowed();
    if (backend && backend->show(caption, text))
        return;
    printBox(caption, text);
}

ErrorBoxAnswer askAbortRetryIgnore(const String& caption, const String& text)
{
    const ErrorBoxBackend* backend = backendAllowed();
    ErrorBoxAnswer answer = ErrorBoxAnswer::Ignore;
    if (backend && backend->ask(caption, text, &answer))
        return answer;
    printBox(caption, text);
    return ErrorBoxAnswer::Ignore;
}

ErrorBoxAnswer showException(const Throwable& exception)
{
    const String message = exception.getMessage();
    std::printf("EXCEPTION: %s\n", message.c_str());
    std::fflush(stdout);
    ErrorBoxAnswer answer = askAbortRetryIgnore("C++ Exception Generated!", message);
    if (answer == ErrorBoxAnswer::Abort)
        std::exit(-1);
    return answer;
}

} // namespace lang
