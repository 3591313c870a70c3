#pragma once

#include "lang/String.h"

namespace io {

/// A path that joins, normalises to '/', folds "." and ".." and splits into drive,
/// directory, base name and extension.
///
/// A plain value: the five parts are zero-terminated strings carved from a 500-byte pool
/// inside it, so building one never allocates. A path of 250 characters or more, or a
/// directory and name of more than 252 together, throws IOException.
class PathName
{
public:
    static const int POOL_SIZE = 500;

    PathName();
    explicit PathName(const lang::String& path);
    PathName(const lang::String& directory, const lang::String& name);
    PathName(const PathName& other);
    PathName& operator=(const PathName& other);

    /// The normalised full path.
    const char* fullPath() const { return m_pool + m_fullPath; }
    /// Up to and including the first ':', or empty.
    const char* drive() const { return m_pool + m_drive; }
    /// Up to and including the last '/', after the drive, or empty.
    const char* directory() const { return m_pool + m_directory; }
    /// The file name without its extension.
    const char* basename() const { return m_pool + m_basename; }
    /// From the last '.' of the file name on, the dot included, or empty.
    const char* extension() const { return m_pool + m_extension; }

    /// The directory that contains the full path.
    PathName parent() const;

    lang::String toString() const { return fullPath(); }

private:
    char m_pool[POOL_SIZE];
    int m_used = 0;
    int m_fullPath = 0;
    int m_drive = 0;
    int m_directory = 0;
    int m_basename = 0;
    int m_extension = 0;

    void build(const lang::String& joined);
    int carve(const char* text, int length, const lang::String& initial);
};

} // namespace io
