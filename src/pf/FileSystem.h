#pragma once

#include "lang/String.h"

namespace pf {

/// Directories and names on the local file system. Paths are the system's own: relative
/// ones start at the working directory. Any thread may call these.
class FileSystem
{
public:
    /// Makes the directory path, open to everyone the process's umask lets in. Returns
    /// false when it was not made: its parent is missing, or something is already there.
    static bool createDirectory(const lang::String& path);

    /// Whether path names anything the process can reach: a file, a directory, a device.
    /// A link counts when what it points at exists; "" names nothing.
    static bool exists(const lang::String& path);

    /// Gives the file or directory from the name to, in one step: a file already called to
    /// is replaced. On failure returns false and sets *reason to the system's message.
    static bool rename(const lang::String& from, const lang::String& to, lang::String* reason);
};

} // namespace pf
