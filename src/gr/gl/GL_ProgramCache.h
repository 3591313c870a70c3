#pragma once

#include "lang/String.h"

#include <GL/glew.h>

#include <string>

namespace gr {

/// Linked programs kept between runs. On a start-up after the first, an effect's programs
/// are made from the driver's own binaries instead of compiled from their sources: on a
/// software renderer the first compile of a run costs more than the rest of an effect's
/// loading, in time and in memory, because the driver builds its GLSL library for it.
///
/// An entry is keyed by the two sources and the driver's names and versions, and the whole
/// key is stored with it, so that an entry is never used for other sources. One the driver
/// refuses (a newer driver), or a file that can't be read, costs only a compile, after
/// which the entry is written again.
class GL_ProgramCache
{
public:
    /// Keeps entries in directory, made when the first is stored; an empty one keeps none.
    explicit GL_ProgramCache(const lang::String& directory);

    /// Whether entries are kept: a directory was given and the driver hands out binaries.
    bool enabled() const { return m_enabled; }
    /// The key of a program linked from these sources on this driver.
    static std::string key(const std::string& vertex, const std::string& fragment);
    /// A program linked from the binary stored under key, or 0 when there is none the
    /// driver takes. Only when enabled().
    GLuint load(const std::string& key);
    /// Keeps the binary of program under key. A failure to write is logged: it costs the
    /// next start-up a compile, nothing else. Only when enabled().
    void store(GLuint program, const std::string& key);

    /// Whether the driver hands out program binaries at all.
    static bool supported();
    /// Programs made from stored binaries in this process, for tests and statistics.
    static int loaded();

private:
    lang::String m_directory;
    bool m_enabled;

    lang::String entryPath(const std::string& key) const;
};

} // namespace gr
