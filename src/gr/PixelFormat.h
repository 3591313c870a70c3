#pragma once

#include <cstdint>

namespace gr {

/// The engine's pixel formats. Masks are of the little-endian pixel value; the names are
/// also the texts of log lines.
class PixelFormat
{
public:
    enum Type {
        UNKNOWN, R8G8B8, B8G8R8, A8R8G8B8, X8R8G8B8, X8B8G8R8, A8B8G8R8, R5G6B5, R5G5B5, R6G6B6, P4, P8, L8,
        A8L8, A1R5G5B5, X4R4G4B4, A4R4G4B4, A4B4G4R4, R4G4B4A4, A1B5G5R5, R5G5B5A1, R3G3B2, R3G2B3, A8,
        A8R3G3B2, A8R3G2B3, DXT1, DXT3, DXT5, RGB_PVRTC_GL_2BPP, RGBA_PVRTC_GL_2BPP, RGB_PVRTC_GL_4BPP,
        RGBA_PVRTC_GL_4BPP, ETC1_RGB_4BPP, R16F, G16R16F, A16B16G16R16F, R32F, G32R32F, A32B32G32R32F, D32, D24,
        D16, D24S8, TYPE_COUNT
    };

    PixelFormat(Type type = UNKNOWN) : m_type(type < TYPE_COUNT ? type : UNKNOWN) {}

    Type type() const { return m_type; }
    const char* name() const;
    int bitsPerPixel() const;
    int bytesPerPixel() const { return (bitsPerPixel() + 7) / 8; }
    uint32_t redMask() const;
    uint32_t greenMask() const;
    uint32_t blueMask() const;
    uint32_t alphaMask() const;
    bool hasAlpha() const { return alphaMask() != 0; }
    bool isPaletted() const { return m_type == P4 || m_type == P8; }
    /// DXT, PVRTC and ETC1: block formats that are never converted.
    bool isCompressed() const { return m_type >= DXT1 && m_type <= ETC1_RGB_4BPP; }
    bool isFloat() const { return m_type >= R16F && m_type <= A32B32G32R32F; }

    /// Bytes of a width x height surface, block and PVRTC minimum sizes included.
    static int64_t surfaceSize(Type type, int width, int height);
    /// Bytes of one row of a level of the given width.
    static int64_t rowPitch(Type type, int width);

    /// Converts count pixels from src (format from) to dst (format to). Paletted sources
    /// look their entries up in palette, whose entries are in paletteFormat and which holds
    /// every index (16 entries for P4, 256 for P8). A destination channel the source lacks
    /// gets all its bits set; compressed formats are not converted (false).
    static bool convert(Type to, void* dst, Type from, const void* src, int count, const void* palette = nullptr,
                        Type paletteFormat = UNKNOWN);

    bool operator==(const PixelFormat& other) const { return m_type == other.m_type; }

private:
    Type m_type;
};

} // namespace gr
