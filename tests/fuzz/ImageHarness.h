#pragma once

// One image file through the reader the way a context uploads it: the header, then every
// surface into a buffer of the size the texture's format needs, in that format.

#include "FuzzSupport.h"

#include "img/ImageReader.h"
#include "io/ByteArrayInputStream.h"

#include <algorithm>
#include <vector>

namespace fuzz {

inline int readImage(const uint8_t* data, size_t size, int fileType, const char* name)
{
    quiet();
    io::ByteArrayInputStream in(data, static_cast<int>(size), name);
    try {
        img::ImageReader reader(&in, fileType);
        const gr::PixelFormat::Type format = gr::Context::storedFormat(reader.format().type());
        for (int surface = 0; surface < reader.surfaceCount(); ++surface) {
            const int level = surface % reader.mipLevels();
            const int w = std::max(1, reader.width() >> level), h = std::max(1, reader.height() >> level);
            const int64_t pitch = gr::PixelFormat::rowPitch(format, w);
            std::vector<uint8_t> buffer(
                static_cast<size_t>(std::max(pitch * h, gr::PixelFormat::surfaceSize(format, w, h))));
            reader.readSurface(buffer.data(), static_cast<int>(pitch), format);
        }
    } catch (const lang::Throwable&) {
    }
    return 0;
}

} // namespace fuzz
