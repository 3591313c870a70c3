#include "gr/PixelFormat.h"

#include <cmath>
#include <algorithm>
#include <cstring>

namespace gr {

namespace {

struct Info
{
    const char* name;
    int bits;
    uint32_t r, g, b, a;
};

const Info kFormats[PixelFormat::TYPE_COUNT] = {
    {"UNKNOWN", 0, 0, 0, 0, 0},
    {"R8G8B8", 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {"B8G8R8", 24, 0xFF, 0xFF00, 0xFF0000, 0},
    {"A8R8G8B8", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {"X8R8G8B8", 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {"X8B8G8R8", 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {"A8B8G8R8", 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {"R5G6B5", 16, 0xF800, 0x7E0, 0x1F, 0},
    {"R5G5B5", 16, 0x7C00, 0x3E0, 0x1F, 0},
    {"R6G6B6", 32, 0x3F000, 0xFC0, 0x3F, 0},
    {"P4", 4, 0, 0, 0, 0},
    {"P8", 8, 0, 0, 0, 0},
    {"L8", 8, 0xFF, 0xFF, 0xFF, 0},
    {"A8L8", 16, 0xFF, 0xFF, 0xFF, 0xFF00},
    {"A1R5G5B5", 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {"X4R4G4B4", 16, 0xF00, 0xF0, 0xF, 0},
    {"A4R4G4B4", 16, 0xF00, 0xF0, 0xF, 0xF000},
    {"A4B4G4R4", 16, 0xF, 0xF0, 0xF00, 0xF000},
    {"R4G4B4A4", 16, 0xF000, 0xF00, 0xF0, 0xF},
    {"A1B5G5R5", 16, 0x1F, 0x3E0, 0x7C00, 0x8000},
    {"R5G5B5A1", 16, 0xF800, 0x7C0, 0x3E, 0x1},
    {"R3G3B2", 8, 0xE0, 0x1C, 0x3, 0},
    {"R3G2B3", 8, 0xE0, 0x18, 0x7, 0},
    {"A8", 8, 0, 0, 0, 0xFF},
    {"A8R3G3B2", 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {"A8R3G2B3", 16, 0xE0, 0x18, 0x7, 0xFF00},
    {"DXT1", 4, 0, 0, 0, 0},
    {"DXT3", 8, 0, 0, 0, 0},
    {"DXT5", 8, 0, 0, 0, 0},
    {"RGB_PVRTC_GL_2BPP", 2, 0, 0, 0, 0},
    {"RGBA_PVRTC_GL_2BPP", 2, 0, 0, 0, 0},
    {"RGB_PVRTC_GL_4BPP", 4, 0, 0, 0, 0},
    {"RGBA_PVRTC_GL_4BPP", 4, 0, 0, 0, 0},
    {"ETC1_RGB_4BPP", 4, 0, 0, 0, 0},
    {"R16F", 16, 0, 0, 0, 0},
    {"G16R16F", 32, 0, 0, 0, 0},
    {"A16B16G16R16F", 64, 0, 0, 0, 0},
    {"R32F", 32, 0, 0, 0, 0},
    {"G32R32F", 64, 0, 0, 0, 0},
    {"A32B32G32R32F", 128, 0, 0, 0, 0},
    {"D32", 32, 0, 0, 0, 0},
    {"D24", 24, 0, 0, 0, 0},
    {"D16", 16, 0, 0, 0, 0},
    {"D24S8", 32, 0, 0, 0, 0},
};

/// A pixel on its way between formats: four channels, each present or not.
struct Pixel
{
    float f[4] = {0, 0, 0, 0}; // used when the source is a float format
    uint8_t b[4] = {0, 0, 0, 0};
    bool has[4] = {false, false, false, false};
    bool isFloat = false;
};

int shiftOf(uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int bitsOf(uint32_t mask)
{
    int bits = 0;
    for (; mask; mask >>= 1)
        bits += mask & 1;
    return bits;
}

float fromHalf(uint16_t h)
{
    const int sign = h >> 15, exponent = (h >> 10) & 0x1f, mantissa = h & 0x3ff;
    float value;
    if (exponent == 0)
        value = std::ldexp(static_cast<float>(mantissa), -24);
    else if (exponent == 31)
        value = mantissa ? NAN : INFINITY;
    else
        value = std::ldexp(static_cast<float>(mantissa | 0x400), exponent - 25);
    return sign ? -value : value;
}

uint16_t toHalf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000);
    const int exponent = static_cast<int>((bits >> 23) & 0xff) - 127 + 15;
    const uint32_t mantissa = bits & 0x7fffff;
    if (std::isnan(value))
        return sign | 0x7e00;
    if (exponent >= 31)
        return sign | 0x7c00;
    if (exponent <= 0) {
        if (exponent < -10)
            return sign;
        return static_cast<uint16_t>(sign | ((mantissa | 0x800000) >> (14 - exponent)));
    }
    return static_cast<uint16_t>(sign | exponent << 10 | mantissa >> 13);
}

uint32_t readValue(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes && i < 4; ++i)
        value |= uint32_t(p[i]) << (8 * i);
    return value;
}

void writeValue(uint8_t* p, int bytes, uint32_t value)
{
    for (int i = 0; i < bytes && i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void decodeMasked(const Info& info, const uint8_t* p, Pixel& out)
{
    const uint32_t value = readValue(p, (info.bits + 7) / 8);
    const uint32_t masks[4] = {info.r, info.g, info.b, info.a};
    for (int c = 0; c < 4; ++c) {
        if (!masks[c])
            continue;
        const int bits = bitsOf(masks[c]);
        uint32_t v = (value & masks[c]) >> shiftOf(masks[c]);
        v = bits >= 8 ? v >> (bits - 8) : v << (8 - bits);
        out.b[c] = static_cast<uint8_t>(v);
        out.has[c] = true;
    }
}

void decodeFloat(PixelFormat::Type type, const uint8_t* p, Pixel& out)
{
    const bool half = type <= PixelFormat::A16B16G16R16F;
    const int channels = type == PixelFormat::R16F || type == PixelFormat::R32F ? 1
                         : type == PixelFormat::G16R16F || type == PixelFormat::G32R32F ? 2
                                                                                          : 4;
    out.isFloat = true;
    for (int c = 0; c < channels; ++c) {
        if (half) {
            uint16_t h;
            std::memcpy(&h, p + 2 * c, 2);
            out.f[c] = fromHalf(h);
        } else {
            std::memcpy(&out.f[c], p + 4 * c, 4);
        }
        out.has[c] = true;
    }
}

float channelAsFloat(const Pixel& px, int c)
{
    return px.isFloat ? px.f[c] : px.b[c] * (1.0f / 255.0f);
}

uint8_t channelAsByte(const Pixel& px, int c)
{
    if (!px.isFloat)
        return px.b[c];
    const float v = px.f[c];
    // Written so that NaN, which fails every comparison, lands on 0: a cast of NaN to an
    // integer is undefined.
    if (!(v > 0))
        return 0;
    return v < 1 ? static_cast<uint8_t>(v * 255.0f) : 255;
}

void encode(PixelFormat::Type type, const Pixel& px, uint8_t* p)
{
    const Info& info = kFormats[type];
    if (type >= PixelFormat::R16F && type <= PixelFormat::A32B32G32R32F) {
        const bool half = type <= PixelFormat::A16B16G16R16F;
        const int channels = type == PixelFormat::R16F || type == PixelFormat::R32F ? 1
                             : type == PixelFormat::G16R16F || type == PixelFormat::G32R32F ? 2
                                                                                              : 4;
        for (int c = 0; c < channels; ++c) {
            const float v = px.has[c] ? channelAsFloat(px, c) : 1.0f;
            if (half) {
                const uint16_t h = toHalf(v);
                std::memcpy(p + 2 * c, &h, 2);
            } else {
                std::memcpy(p + 4 * c, &v, 4);
            }
        }
        return;
    }
    const uint32_t masks[4] = {info.r, info.g, info.b, info.a};
    uint32_t value = 0;
    for (int c = 0; c < 4; ++c) {
        if (!masks[c])
            continue;
        const int bits = bitsOf(masks[c]);
        const uint32_t full = masks[c] >> shiftOf(masks[c]);
        uint32_t v = px.has[c] ? channelAsByte(px, c) : 0xff;
        v = px.has[c] ? (bits >= 8 ? v << (bits - 8) : v >> (8 - bits)) : full;
        value = (value & ~masks[c]) | ((v << shiftOf(masks[c])) & masks[c]);
    }
    writeValue(p, (info.bits + 7) / 8, value);
}

} // namespace

const char* PixelFormat::name() const { return kFormats[m_type].name; }
int PixelFormat::bitsPerPixel() const { return kFormats[m_type].bits; }
uint32_t PixelFormat::redMask() const { return kFormats[m_type].r; }
uint32_t PixelFormat::greenMask() const { return kFormats[m_type].g; }
uint32_t PixelFormat::blueMask() const { return kFormats[m_type].b; }
uint32_t PixelFormat::alphaMask() const { return kFormats[m_type].a; }

int64_t PixelFormat::surfaceSize(Type type, int width, int height)
{
    const int64_t w = width, h = height;
    switch (type) {
    case DXT1: return ((2 * w + 6) & ~int64_t(7)) * ((h + 3) >> 2);
    case DXT3:
    case DXT5: return ((4 * w + 12) & ~int64_t(15)) * ((h + 3) >> 2);
    case RGB_PVRTC_GL_2BPP:
    case RGBA_PVRTC_GL_2BPP: return std::max<int64_t>(w, 16) * 2 * std::max<int64_t>(h, 8) / 8;
    case RGB_PVRTC_GL_4BPP:
    case RGBA_PVRTC_GL_4BPP: return std::max<int64_t>(w, 8) * 4 * std::max<int64_t>(h, 8) / 8;
    case ETC1_RGB_4BPP: return std::max<int64_t>(w, 4) * 4 * std::max<int64_t>(h, 4) / 8;
    default: return w * PixelFormat(type).bitsPerPixel() * h / 8;
    }
}

int64_t PixelFormat::rowPitch(Type type, int width)
{
    const int64_t w = width;
    switch (type) {
    case DXT1: return ((w + 3) >> 2) * 8;
    case DXT3:
    case DXT5: return ((w + 3) >> 2) * 16;
    case RGB_PVRTC_GL_2BPP:
    case RGBA_PVRTC_GL_2BPP: return std::max<int64_t>(w, 16) * 2;
    case RGB_PVRTC_GL_4BPP:
    case RGBA_PVRTC_GL_4BPP: return std::max<int64_t>(w, 8) * 4;
    case ETC1_RGB_4BPP: return std::max<int64_t>(w, 4) * 2;
    default: return w * PixelFormat(type).bitsPerPixel() / 8;
    }
}

bool PixelFormat::convert(Type to, void* dstBytes, Type from, const void* srcBytes, int count, const void* palette,
                          Type paletteFormat)
{
    uint8_t* dst = static_cast<uint8_t*>(dstBytes);
    const uint8_t* src = static_cast<const uint8_t*>(srcBytes);
    const PixelFormat source(from), target(to);
    if (count <= 0)
        return true;
    if (from == to) {
        // UNKNOWN pixels have no bits: a zero-size surface may have no buffer at all.
        const int64_t bytes = (int64_t(count) * source.bitsPerPixel() + 7) / 8;
        if (bytes > 0)
            std::memcpy(dst, src, static_cast<size_t>(bytes));
        return true;
    }
    if (source.isCompressed() || target.isCompressed() || from == UNKNOWN || to == UNKNOWN || to == P4 || to == P8)
        return false;
    const int dstBytesPer = target.bytesPerPixel();
    const int paletteBytes = PixelFormat(paletteFormat).bytesPerPixel();
    for (int i = 0; i < count; ++i) {
        Pixel px;
        if (source.isPaletted()) {
            const int index = from == P8 ? src[i] : (src[i / 2] >> (i % 2 ? 0 : 4)) & 0xf;
            if (palette && paletteBytes > 0) {
                const uint8_t* entry = static_cast<const uint8_t*>(palette) + index * paletteBytes;
                // Float entries have no masks: read through masks they would all come out missing.
                if (PixelFormat(paletteFormat).isFloat())
                    decodeFloat(paletteFormat, entry, px);
                else
                    decodeMasked(kFormats[paletteFormat], entry, px);
            }
        } else if (source.isFloat()) {
            decodeFloat(from, src + static_cast<int64_t>(i) * source.bitsPerPixel() / 8, px);
        } else {
            decodeMasked(kFormats[from], src + static_cast<int64_t>(i) * source.bytesPerPixel(), px);
        }
        encode(to, px, dst + static_cast<int64_t>(i) * dstBytesPer);
    }
    return true;
}

} // namespace gr
