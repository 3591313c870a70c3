#include "gr/gl/GL_ProgramCache.h"

#include "io/AtomicFile.h"
#include "io/FileInputStream.h"
#include "io/IOException.h"
#include "lang/Debug.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace gr {

namespace {

const char kMagic[] = "PELTERRA PROGRAM 1\n";

std::atomic<int> g_loaded{0};
std::atomic<bool> g_storeFailureLogged{false};

const char* glText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

uint64_t fnv1a(const std::string& text)
{
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

void appendWord(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

bool readWord(const std::string& in, size_t* at, uint32_t* value)
{
    if (in.size() - *at < 4)
        return false;
    *value = 0;
    for (int i = 0; i < 4; ++i)
        *value |= static_cast<uint32_t>(static_cast<unsigned char>(in[*at + static_cast<size_t>(i)])) << (8 * i);
    *at += 4;
    return true;
}

} // namespace

GL_ProgramCache::GL_ProgramCache(const lang::String& directory)
    : m_directory(directory), m_enabled(!directory.isEmpty() && supported())
{
}

bool GL_ProgramCache::supported()
{
    if (!GLEW_ARB_get_program_binary && !GLEW_VERSION_4_1)
        return false;
    GLint formats = 0;
    glGetIntegerv(GL_NUM_PROGRAM_BINARY_FORMATS, &formats);
    return formats > 0;
}

int GL_ProgramCache::loaded()
{
    return g_loaded.load();
}

std::string GL_ProgramCache::key(const std::string& vertex, const std::string& fragment)
{
    // A binary is only good for the driver that made it: its names and versions are part of
    // the key, the sources' lengths keep one source's end from passing for the other's start.
    std::string key;
    for (GLenum name : {GL_VENDOR, GL_RENDERER, GL_VERSION, GL_SHADING_LANGUAGE_VERSION})
        key.append(glText(name)).append("\n");
    appendWord(key, static_cast<uint32_t>(vertex.size()));
    key += vertex;
    appendWord(key, static_cast<uint32_t>(fragment.size()));
    key += fragment;
    return key;
}

lang::String GL_ProgramCache::entryPath(const std::string& key) const
{
    char name[40];
    std::snprintf(name, sizeof name, "program-%016llx.bin", static_cast<unsigned long long>(fnv1a(key)));
    return m_directory.endsWith("/") ? m_directory + name : m_directory + "/" + name;
}

GLuint GL_ProgramCache::load(const std::string& wanted)
{
    std::string entry;
    try {
        io::FileInputStream in(entryPath(wanted));
        entry.resize(static_cast<size_t>(in.available()));
        entry.resize(static_cast<size_t>(in.read(&entry[0], static_cast<int>(entry.size()))));
    } catch (const io::IOException&) {
        return 0; // not kept yet, or not readable: compiled and kept again
    }
    // magic, key length, key, binary format, binary length, binary
    const size_t magic = sizeof kMagic - 1;
    size_t at = magic;
    uint32_t keyLength = 0, format = 0, length = 0;
    if (entry.size() < magic || std::memcmp(entry.data(), kMagic, magic) != 0 || !readWord(entry, &at, &keyLength) ||
        entry.size() - at < keyLength || std::string(&entry[at], keyLength) != wanted)
        return 0; // another version's entry, a hash shared with other sources, or a torn file
    at += keyLength;
    if (!readWord(entry, &at, &format) || !readWord(entry, &at, &length) || entry.size() - at != length ||
        length > static_cast<uint32_t>(INT32_MAX))
        return 0;
    const GLuint program = glCreateProgram();
    glProgramBinary(program, format, entry.data() + at, static_cast<GLsizei>(length));
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        glDeleteProgram(program); // the driver changed since: compiled and stored again
        return 0;
    }
    ++g_loaded;
    return program;
}

void GL_ProgramCache::store(GLuint program, const std::string& entryKey)
{
    GLint length = 0;
    glGetProgramiv(program, GL_PROGRAM_BINARY_LENGTH, &length);
    if (length <= 0)
        return;
    std::vector<char> binary(static_cast<size_t>(length));
    GLenum format = 0;
    GLsizei written = 0;
    glGetProgramBinary(program, length, &written, &format, binary.data());
    if (written <= 0)
        return;
    std::string entry(kMagic);
    appendWord(entry, static_cast<uint32_t>(entryKey.size()));
    entry += entryKey;
    appendWord(entry, format);
    appendWord(entry, static_cast<uint32_t>(written));
    entry.append(binary.data(), static_cast<size_t>(written));

    // Written whole or not at all: another instance may be reading the entry this moment.
    io::AtomicFile file;
    int error = 0;
    if (!file.open(entryPath(entryKey))) {
        error = errno;
    } else {
        try {
            file.write(entry.data(), static_cast<int>(entry.size()));
            if (!file.commit())
                error = errno ? errno : EIO;
        } catch (...) {
            error = errno ? errno : EIO;
        }
    }
    if (error != 0 && !g_storeFailureLogged.exchange(true))
        lang::log("Can't keep linked programs in %s (%s): each start-up compiles them\n", m_directory.c_str(),
                  std::strerror(error));
}

} // namespace gr
