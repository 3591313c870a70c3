#include "Share.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace build {

std::string programDir()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string program(path, static_cast<size_t>(length));
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string(".") : program.substr(0, slash);
}

std::string shareDir()
{
    const std::string installed = programDir() + "/../share/pelterra";
    struct stat info;
    if (stat((installed + "/effects").c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return installed;
    return PELTERRA_SOURCE_SHARE;
}

} // namespace build
