// io::PathName: a path alone, or a directory and a name (split at the first zero byte),
// then every part and the parents up to the top.

#include "FuzzSupport.h"

#include "io/PathName.h"

#include <cstring>
#include <string>

namespace {

void walk(const io::PathName& path)
{
    io::PathName at = path;
    for (int depth = 0; depth < 64 && *at.fullPath(); ++depth) {
        // Touch every byte of every part: a part carved past its end reads out of the pool.
        volatile size_t bytes = std::strlen(at.drive()) + std::strlen(at.directory()) + std::strlen(at.basename()) +
                                std::strlen(at.extension()) + at.toString().length();
        (void)bytes;
        at = at.parent();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const size_t zero = bytes.find('\0');
        if (zero == std::string::npos)
            walk(io::PathName(lang::String(bytes)));
        else
            walk(io::PathName(lang::String(bytes.substr(0, zero)), lang::String(bytes.substr(zero + 1))));
    } catch (const lang::Throwable&) {
    }
    return 0;
}
