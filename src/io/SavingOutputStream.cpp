#include "io/SavingOutputStream.h"

#include <exception>

namespace io {

SavingOutputStream::SavingOutputStream(const lang::String& path)
    : m_path(path), m_uncaughtAtOpen(std::uncaught_exceptions())
{
    m_file.open(path);
}

} // namespace io
