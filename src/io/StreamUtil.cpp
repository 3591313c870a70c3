#include "io/StreamUtil.h"

namespace io {

lang::String displayName(const lang::String& name)
{
    if (name.length() <= 128)
        return name;
    return "... " + name.substring(name.length() - 124);
}

long bytesToEnd(std::FILE* file)
{
    long position = std::ftell(file);
    if (position < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    long end = std::ftell(file);
    if (end < 0 || std::fseek(file, position, SEEK_SET) != 0)
        return -1;
    return end - position;
}

} // namespace io
