#pragma once

namespace lang {

/// Where logged lines go. Called with one rendered line (its own newline included) under
/// the logger's lock, so a sink need not be thread-safe itself.
using LogSink = void (*)(const char* text, void* user);

/// The debug logger: printf-style, rendered into 2000 characters (longer output is cut)
/// and written as one piece to the diagnostics channel, stderr unless a sink is set.
/// Callable from any thread.
void log(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Replaces the destination of logged lines; a null sink restores stderr. Returns the
/// previous sink (and its user pointer through previousUser, when given).
LogSink setLogSink(LogSink sink, void* user, void** previousUser = nullptr);

} // namespace lang
