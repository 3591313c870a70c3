#include "io/FileOutputStream.h"

#include "io/FileNotFoundException.h"


#include <exception>

namespace io {

FileOutputStream::FileOutputStream(const lang::String& path)
    : m_path(path), m_uncaughtAtOpen(std::uncaught_exceptions())
{
    if (!m_file.open(path))
        throw FileNotFoundException(lang::Format("Failed to open {0} for writing", path));
}

} // namespace io
