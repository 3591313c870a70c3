#include "io/AppDataOutputStream.h"

#include "io/AppData.h"
#include "io/IOException.h"
#include "io/PathName.h"

#include <exception>

namespace io {

AppDataOutputStream::AppDataOutputStream(const lang::String& name)
    : m_path(PathName(applicationDataPath(), name).fullPath()), m_uncaughtAtOpen(std::uncaught_exceptions())
{
    if (!m_file.open(m_path))
        throw IOException(lang::Format("Failed to open {0} for writing", m_path));
}

} // namespace io
