#pragma once

#include "lang/String.h"

#include <cstdint>
#include <vector>

namespace img {

/// PNG encoding through libpng, for what the engine saves itself (screenshots).
class PngWriter
{
public:
    /// An 8-bit RGBA PNG of width x height pixels, rows top first, 4 bytes a pixel.
    /// Throws gr::GraphicsException when libpng refuses.
    static std::vector<uint8_t> encode(int width, int height, const uint8_t* rgba);
    /// encode() written to path, which takes its place only when complete. Throws
    /// io::IOException naming the path when it can't be written.
    static void write(const lang::String& path, int width, int height, const uint8_t* rgba);
};

} // namespace img
