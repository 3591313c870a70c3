#include "pf/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

using lang::String;

namespace pf {

bool FileSystem::createDirectory(const String& path)
{
    return mkdir(path.c_str(), 0777) == 0;
}

bool FileSystem::exists(const String& path)
{
    struct stat info;
    return !path.isEmpty() && stat(path.c_str(), &info) == 0;
}

bool FileSystem::rename(const String& from, const String& to, String* reason)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    *reason = std::strerror(errno);
    return false;
}

} // namespace pf
