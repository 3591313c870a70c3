#include "io/AppDataOutputStream.h"

#include "io/AppData.h"
#include "io/IOException.h"
#include "io/PathName.h"

namespace io {

AppDataOutputStream::AppDataOutputStream(const lang::String& name)
    : SavingOutputStream(PathName(applicationDataPath(), name).fullPath())
{
    if (!isOpen())
        throw IOException(lang::Format("Failed to open {0} for writing", toString()));
}

} // namespace io
