#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// An uncompressed 32-bit Targa, top row first, of 0xAARRGGBB pixels.
inline std::string targa(int width, int height, const std::vector<uint32_t>& argb)
{
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = char(width), bytes[13] = char(width >> 8);
    bytes[14] = char(height), bytes[15] = char(height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28; // 8 alpha bits, top-left origin
    for (uint32_t p : argb) {
        bytes += char(p), bytes += char(p >> 8), bytes += char(p >> 16);
        bytes += char(p >> 24);
    }
    return bytes;
}
