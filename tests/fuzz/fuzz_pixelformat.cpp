// The pixel-format converter: the first three bytes choose the target, the source and the
// palette's format; for a paletted source the palette follows (as many entries as its
// indices reach, zeros where the input runs short), then the pixels, as many as the rest
// holds whole. Within that contract every pair of formats must convert or refuse.

#include "FuzzSupport.h"

#include "gr/PixelFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

using gr::PixelFormat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const auto type = [](uint8_t byte) { return static_cast<PixelFormat::Type>(byte % PixelFormat::TYPE_COUNT); };
    const PixelFormat to(type(data[0])), from(type(data[1])), paletteFormat(type(data[2]));
    data += 3, size -= 3;

    std::vector<uint8_t> palette;
    if (from.isPaletted()) {
        const int entries = from.type() == PixelFormat::P4 ? 16 : 256;
        palette.assign(size_t(entries) * std::max(1, paletteFormat.bytesPerPixel()), 0);
        const size_t taken = std::min(palette.size(), size);
        std::memcpy(palette.data(), data, taken);
        data += taken, size -= taken;
    }
    const int bits = from.bitsPerPixel();
    const int count = static_cast<int>(std::min<size_t>(bits > 0 ? size * 8 / size_t(bits) : size, 1 << 16));
    const int64_t dstBytes = std::max(PixelFormat::rowPitch(to.type(), count), (int64_t(count) * to.bitsPerPixel() + 7) / 8);
    std::vector<uint8_t> dst(static_cast<size_t>(dstBytes));
    dst.reserve(1);
    std::vector<uint8_t> src(data, data + size);
    src.reserve(1);
    PixelFormat::convert(to.type(), dst.data(), from.type(), src.data(), count, palette.empty() ? nullptr : palette.data(),
                         paletteFormat.type());
    return 0;
}
