#include "lang/Debug.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace lang {

namespace {

std::mutex& sinkLock()
{
    static std::mutex lock;
    return lock;
}

LogSink g_sink = nullptr;
void* g_sinkUser = nullptr;

void writeToStderr(const char* text)
{
    // One write per line keeps lines from two threads apart.
    size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

} // namespace

void log(const char* format, ...)
{
    char text[2000];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);

    std::lock_guard<std::mutex> hold(sinkLock());
    if (g_sink)
        g_sink(text, g_sinkUser);
    else
        writeToStderr(text);
}

LogSink setLogSink(LogSink sink, void* user, void** previousUser)
{
    std::lock_guard<std::mutex> hold(sinkLock());
    LogSink previous = g_sink;
    if (previousUser)
        *previousUser = g_sinkUser;
    g_sink = sink;
    g_sinkUser = user;
    return previous;
}

} // namespace lang
