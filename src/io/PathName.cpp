#include "io/PathName.h"

#include "io/IOException.h"

#include <cstring>
#include <string>

using lang::Format;
using lang::String;

namespace io {

namespace {

bool isSlash(char c)
{
    return c == '/' || c == '\\';
}

/// Folds "." and ".." segments in one left-to-right scan. A ".." at the very start stops
/// the scan: there is nothing above it to fold into.
void foldDots(std::string& path)
{
    size_t i = 0;
    while (i + 1 < path.size()) {
        const bool segmentStart = i == 0 || path[i - 1] == '/';
        if (segmentStart && path[i] == '.' && path[i + 1] == '.' && i + 2 < path.size() && path[i + 2] == '/') {
            if (i == 0)
                return;
            // The preceding component with its slash, the ".." and the slash after it.
            size_t slash = i >= 2 ? path.rfind('/', i - 2) : std::string::npos;
            size_t begin = slash == std::string::npos ? 0 : slash + 1;
            path.erase(begin, i + 3 - begin);
            i = begin;
        } else if (path[i] == '.' && path[i + 1] == '/') {
            size_t slash = i >= 1 ? path.rfind('/', i - 1) : std::string::npos;
            size_t begin = slash == std::string::npos ? 0 : slash + 1;
            path.erase(begin, i + 2 - begin);
            i = begin;
        } else {
            ++i;
        }
    }
}

} // namespace

PathName::PathName()
{
    m_pool[0] = 0;
    m_used = 1;
}

PathName::PathName(const String& path)
{
    if (path.length() >= 250)
        throw IOException(Format("Too long path name: \"{0}\"", path));
    build(path);
}

PathName::PathName(const String& directory, const String& name)
{
    if (directory.length() >= 250 || directory.length() + name.length() > 252)
        throw IOException(Format("Too long path name: \"{0}\" and \"{1}\"", directory, name));
    if (directory.isEmpty()) {
        build(name);
        return;
    }
    String joined = directory;
    if (!isSlash(directory[directory.length() - 1]))
        joined += '/';
    joined += !name.isEmpty() && isSlash(name[0]) ? name.substring(1) : name;
    build(joined);
}

PathName::PathName(const PathName& other)
{
    *this = other;
}

PathName& PathName::operator=(const PathName& other)
{
    std::memcpy(m_pool, other.m_pool, static_cast<size_t>(other.m_used));
    m_used = other.m_used;
    m_fullPath = other.m_fullPath;
    m_drive = other.m_drive;
    m_directory = other.m_directory;
    m_basename = other.m_basename;
    m_extension = other.m_extension;
    return *this;
}

int PathName::carve(const char* text, int length, const String& initial)
{
    const int needed = m_used + length + 1;
    if (needed > POOL_SIZE)
        throw IOException(Format("Path name buffer overflow, {0} bytes. Initial path name was \"{1}\".", needed, initial));
    const int at = m_used;
    std::memcpy(m_pool + at, text, static_cast<size_t>(length));
    m_pool[at + length] = 0;
    m_used = needed;
    return at;
}

void PathName::build(const String& joined)
{
    std::string path = joined.toSlashes().str();
    foldDots(path);
    const String initial(path);
    m_used = 0;
    m_fullPath = carve(path.data(), static_cast<int>(path.size()), initial);

    size_t colon = path.find(':');
    size_t rest = colon == std::string::npos ? 0 : colon + 1;
    m_drive = carve(path.data(), static_cast<int>(rest), initial);

    size_t slash = path.rfind('/');
    size_t name = slash == std::string::npos || slash < rest ? rest : slash + 1;
    m_directory = carve(path.data() + rest, static_cast<int>(name - rest), initial);

    size_t dot = path.rfind('.');
    size_t extension = dot == std::string::npos || dot < name ? path.size() : dot;
    m_basename = carve(path.data() + name, static_cast<int>(extension - name), initial);
    m_extension = carve(path.data() + extension, static_cast<int>(path.size() - extension), initial);
}

PathName PathName::parent() const
{
    String path(fullPath());
    if (path.endsWith("/"))
        path = path.substring(0, path.length() - 1);
    int slash = path.lastIndexOf('/');
    return PathName(slash < 0 ? String() : path.substring(0, slash));
}

} // namespace io
