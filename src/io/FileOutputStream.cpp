#include "io/FileOutputStream.h"

#include "io/FileNotFoundException.h"

namespace io {

FileOutputStream::FileOutputStream(const lang::String& path) : SavingOutputStream(path)
{
    if (!isOpen())
        throw FileNotFoundException(lang::Format("Failed to open {0} for writing", path));
}

} // namespace io
