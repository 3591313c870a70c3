#include "io/FileType.h"

namespace io {

int fileType(const lang::String& name)
{
    static const char* const kExtensions[] = {"bmp", "tga", "jpg", "dds", "psd", "png", "pcx", "pnm",
                                              "gif", "tif", "ntx", "pvr", "wav", "mp3", "hgr"};
    if (name.length() <= 4)
        return FILE_UNKNOWN;
    const lang::String extension = name.substring(name.length() - 3).toLowerCase();
    for (int i = 0; i < 15; ++i)
        if (extension == kExtensions[i])
            return i + 1;
    return FILE_UNKNOWN;
}

} // namespace io
