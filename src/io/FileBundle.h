#pragma once

#include "lang/Hashtable.h"
#include "lang/Object.h"
#include "lang/Ptr.h"
#include "lang/String.h"

#include <cstdint>

namespace io {

/// One file packed in a container: the window [offset, offset + size) of the container.
struct FileDescriptor
{
    lang::String file;
    int32_t offset = 0;
    int32_t size = 0;
};

/// The index of the game's packed data files, read from "bundleIndex.idx".
///
/// Keys are full normalised paths (the data directory joined with the entry name) and are
/// compared exactly. Once installed, every FileInputStream looks its name up here first.
/// Filled before other threads exist and never changed after: lookups need no lock.
class FileBundle : public lang::Object
{
public:
    /// Reads the index at indexPath; names in it are relative to dataDirectory. Throws
    /// IOException when the index can't be read and DataCorruptedException
    /// "FileBundle corrupted" when it is empty, ends inside a group, or gives an entry a
    /// negative offset or size.
    void load(const lang::String& dataDirectory, const lang::String& indexPath);

    bool contains(const lang::String& name) const { return m_entries.containsKey(name); }
    /// The container path of name; throws lang::Exception "File not found in bundle".
    const lang::String& getFile(const lang::String& name) const { return entry(name).file; }
    int32_t getOffset(const lang::String& name) const { return entry(name).offset; }
    int32_t getSize(const lang::String& name) const { return entry(name).size; }
    int size() const { return m_entries.size(); }

    /// The process-wide bundle consulted by FileInputStream; null when files are read loose.
    static FileBundle* installed() { return s_installed.ptr(); }
    /// Sets (or, with null, clears) the process-wide bundle.
    static void install(FileBundle* bundle) { s_installed = bundle; }

private:
    lang::Hashtable<lang::String, FileDescriptor> m_entries;
    static lang::Ptr<FileBundle> s_installed;

    const FileDescriptor& entry(const lang::String& name) const;
};

} // namespace io
