#include "framework/CursorFile.h"

namespace framework {

namespace {

uint32_t le16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t le32(const uint8_t* p)
{
    return le16(p) | le16(p + 2) << 16;
}

} // namespace

bool CursorImage::decode(const uint8_t* data, int size)
{
    // ICONDIR: reserved 0, type 2 (cursor), count; then 16-byte entries.
    if (size < 6 + 16 || le16(data) != 0 || le16(data + 2) != 2 || le16(data + 4) < 1)
        return false;
    const uint8_t* entry = data + 6;
    hotX = static_cast<int>(le16(entry + 4));
    hotY = static_cast<int>(le16(entry + 6));
    const uint32_t length = le32(entry + 8);
    const uint32_t offset = le32(entry + 12);
    if (offset > static_cast<uint32_t>(size) || length > static_cast<uint32_t>(size) - offset || length < 40)
        return false;
    const uint8_t* dib = data + offset;
    const uint8_t* end = dib + length;

    // BITMAPINFOHEADER; the height counts the colour rows and the mask rows.
    if (le32(dib) < 40)
        return false;
    const int32_t w = static_cast<int32_t>(le32(dib + 4));
    const int32_t h2 = static_cast<int32_t>(le32(dib + 8));
    const int bits = static_cast<int>(le16(dib + 14));
    if (le32(dib + 16) != 0 || w <= 0 || w > 256 || h2 <= 0 || h2 > 512 || h2 % 2 != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    const int h = h2 / 2;
    uint32_t colours = bits <= 8 ? le32(dib + 32) : 0;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits)))
        colours = 1u << bits;
    const uint8_t* palette = dib + le32(dib);
    const uint8_t* pixels = palette + colours * 4;
    const size_t colourStride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
    const size_t maskStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
    const uint8_t* mask = pixels + colourStride * h;
    if (pixels > end || mask > end || static_cast<size_t>(end - mask) < maskStride * h)
        return false;

    width = w;
    height = h;
    rgba.clear();
    rgba.resize(w * h * 4);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = pixels + colourStride * (h - 1 - y); // rows are stored bottom-up
        const uint8_t* maskRow = mask + maskStride * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint8_t b, g, r, a = 255;
            if (bits == 32 || bits == 24) {
                const uint8_t* p = row + x * (bits / 8);
                b = p[0], g = p[1], r = p[2];
                if (bits == 32) {
                    a = p[3];
                    anyAlpha = anyAlpha || a != 0;
                }
            } else {
                const int bit = x * bits;
                const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                const uint8_t* c = palette + (index < colours ? index : 0) * 4;
                b = c[0], g = c[1], r = c[2];
            }
            // The AND mask: a set bit is transparent.
            if (bits != 32 && (maskRow[x / 8] >> (7 - x % 8)) & 1)
                a = 0;
            uint8_t* out = &rgba[(y * w + x) * 4];
            out[0] = r, out[1] = g, out[2] = b, out[3] = a;
        }
    }
    // A 32-bit cursor without alpha relies on its AND mask.
    if (bits == 32 && !anyAlpha) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* maskRow = mask + maskStride * (h - 1 - y);
            for (int x = 0; x < w; ++x)
                rgba[(y * w + x) * 4 + 3] = (maskRow[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
        }
    }
    return true;
}

} // namespace framework
