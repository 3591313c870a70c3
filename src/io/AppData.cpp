#include "io/AppData.h"

namespace io {

namespace {

lang::String& path()
{
    static lang::String value;
    return value;
}

} // namespace

void setApplicationDataPath(const lang::String& value)
{
    path() = value;
}

const lang::String& applicationDataPath()
{
    return path();
}

} // namespace io
