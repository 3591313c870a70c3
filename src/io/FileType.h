#pragma once

#include "lang/String.h"

namespace io {

/// The kinds of data file the engine tells apart by name.
enum FileType {
    FILE_UNKNOWN = 0, FILE_BMP = 1, FILE_TGA = 2, FILE_JPG = 3, FILE_DDS = 4, FILE_PSD = 5, FILE_PNG = 6,
    FILE_PCX = 7, FILE_PNM = 8, FILE_GIF = 9, FILE_TIF = 10, FILE_NTX = 11, FILE_PVR = 12, FILE_WAV = 13,
    FILE_MP3 = 14, FILE_HGR = 15
};

/// The type of a file from the last three characters of its name, in any letter case;
/// FILE_UNKNOWN for names of four characters or fewer and for other endings.
int fileType(const lang::String& name);

} // namespace io
