#pragma once

#include "lang/String.h"

#include <cstdio>
#include <string>

namespace io {

/// A file written beside its target and put in its place only when complete, so that a
/// crash, a full disk or an exception while saving never destroys what was saved before.
///
/// The bytes go to an unnamed file in the target's directory (O_TMPFILE), which vanishes
/// with the process if it dies; where the file system has no unnamed files, a hidden
/// named one is used and removed on discard. Devices and pipes are written in place.
class AtomicFile
{
public:
    AtomicFile() = default;
    ~AtomicFile() { discard(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    /// Starts writing a replacement of target; false (errno set) when it can't.
    bool open(const lang::String& target);
    std::FILE* file() const { return m_file; }
    bool isOpen() const { return m_file != nullptr; }

    /// Flushes, syncs and renames the new file over the target, then syncs the directory.
    /// Returns false (the target untouched, the new file removed) on failure.
    bool commit();
    /// Drops the new file; the target stays as it was.
    void discard();

    /// Writes length bytes; a short write throws IOException "Failed to write {1} bytes
    /// to {0}" and marks the file failed, so that it is never committed.
    void write(const void* data, int length);
    /// Commits; throws IOException "Failed to save {0}" when the target can't be replaced.
    void close();
    /// For a stream's destructor: commits when the writing went well and the stream is not
    /// being destroyed by an exception (uncaughtAtOpen is std::uncaught_exceptions() when
    /// the stream opened); else discards. Never throws.
    void closeOnDestroy(int uncaughtAtOpen);

private:
    std::FILE* m_file = nullptr;
    lang::String m_target;
    lang::String m_tempName; ///< the named fallback's path; empty for an unnamed file
    std::string m_path;      ///< the file replaced: the target, its links followed
    bool m_failed = false;
    bool m_direct = false;   ///< a device or pipe, written in place
};

} // namespace io
