#pragma once

#include "lang/Array.h"
#include "lang/String.h"

namespace pf {

/// The running program, its working directory, and the programs it starts.
///
/// Programs start without a shell: each argument reaches them as one argument, whatever
/// characters it holds. A program named without a '/' is looked for on PATH. Any thread
/// may call these.
class Process
{
public:
    /// run()'s answers besides an exit code (0..255).
    static constexpr int NOT_STARTED = -1;   ///< not found, not executable, or the system refused
    static constexpr int STILL_RUNNING = -2; ///< the time limit came first; the program runs on, detached
    static constexpr int KILLED = -3;        ///< ended by a signal, without an exit code
    /// A time limit for run() that waits as long as the program runs.
    static constexpr int NO_LIMIT = -1;

    /// The running executable's absolute path, links resolved; "" when the system won't say.
    static lang::String programPath();
    /// The working directory; "" when it is gone or too long to tell.
    static lang::String workingDirectory();
    /// Makes directory the working directory of the whole process; on failure returns false
    /// and sets *reason to the system's message.
    static bool changeWorkingDirectory(const lang::String& directory, lang::String* reason);

    /// Starts program with arguments and returns at once: this process neither waits for it
    /// nor has a child to reap, and the program may outlive it. Its standard input, output
    /// and error are /dev/null. Returns whether the program started; what it does then,
    /// failures included, is not seen here.
    static bool startDetached(const lang::String& program, const lang::Array<lang::String>& arguments);

    /// Starts program with arguments on this process's standard streams and waits up to
    /// timeLimit milliseconds (or NO_LIMIT) for it to end. Returns its exit code, or
    /// NOT_STARTED, KILLED or STILL_RUNNING; a program still running is left detached, as
    /// startDetached leaves it. Blocks the calling thread meanwhile.
    static int run(const lang::String& program, const lang::Array<lang::String>& arguments, int timeLimit);

    /// Keeps the memory the process frees for its own next allocations instead of handing it
    /// back to the system at once. A frame's graphics driver frees and allocates megabytes
    /// every frame; giving them back and faulting them in again cost each frame page faults
    /// and flushes of every core's address cache. Called once, before any thread starts.
    static void keepFreedMemory();
};

} // namespace pf
