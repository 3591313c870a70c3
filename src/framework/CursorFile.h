#pragma once

#include "lang/Array.h"
#include "lang/String.h"

#include <cstdint>

namespace framework {

/// A cursor image decoded from a Windows cursor (.cur) file: the first image of the file,
/// as top-down RGBA pixels, with its hot spot.
struct CursorImage
{
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    lang::Array<uint8_t> rgba;

    /// Decodes the bytes of a .cur file (32, 24, 8, 4 or 1 bits per pixel with the AND
    /// mask); false when they are not a cursor this reader understands.
    bool decode(const uint8_t* data, int size);
};

} // namespace framework
