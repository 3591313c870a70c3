#pragma once

#include "lang/Array.h"
#include "lang/Object.h"
#include "lang/Ptr.h"
#include "lang/String.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace pf {

/// The platform side of a FileWatcher: a worker thread that blocks on the system's change
/// notifications and hands every saved file to FileWatcher::report. Destroying it stops the
/// worker and waits for it.
class FileWatcherImpl : public lang::Object
{
};

/// Tells which files under a directory were saved, for reloading them while a game runs.
///
/// A worker thread blocks on the system's notifications (nothing polls) and queues the name
/// of each file written and closed, or moved in, anywhere below the directory, directories
/// made later included (hidden ones, whose names start with '.', are left out). The queue
/// is the one thing the worker shares: it is under the watcher's lock, which report and
/// takeChanges take briefly. Any thread may call the public functions.
class FileWatcher : public lang::Object
{
public:
    /// Starts watching directory. Throws lang::Exception naming the directory when the
    /// system refuses (it does not exist, or no watch is left).
    explicit FileWatcher(const lang::String& directory);
    /// Stops the worker and waits for it; it wakes at once, blocked or not.
    ~FileWatcher() override;

    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    const lang::String& directory() const { return m_directory; }

    /// Takes the files saved since the last call, as paths relative to the directory
    /// ("scripts/a.lua"), each once, in the order of their first save. A file saved again
    /// within the last quietMilliseconds stays queued: an editor that writes a file in
    /// several steps is read once it has finished.
    lang::Array<lang::String> takeChanges(int quietMilliseconds = 0);
    /// Blocks up to milliseconds until a file is queued; whether one is.
    bool waitForChange(int milliseconds);

    /// For the worker: a file was saved at path, relative to the directory.
    void report(const lang::String& path);

private:
    using Clock = std::chrono::steady_clock;
    struct Change
    {
        std::string path;
        Clock::time_point last; ///< when it was last saved
    };

    lang::String m_directory;
    // The queue, shared with the worker under m_lock.
    std::mutex m_lock;
    std::condition_variable m_queued;
    std::vector<Change> m_changes;
    // Declared last: it goes first, so the worker has stopped before the queue it writes goes.
    lang::Ptr<FileWatcherImpl> m_impl;
};

} // namespace pf
