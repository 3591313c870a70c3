#pragma once

#include "gr/PixelFormat.h"
#include "lang/Array.h"
#include "lang/String.h"

#include <cstdint>
#include <vector>

namespace io {
class InputStream;
}

namespace img {

/// Reads an image file's header from a stream, then hands out its surfaces (the image, or
/// each mip level and cube face) converted into the pixel format the caller asks for.
///
/// Every header is checked before anything is allocated: at most 16384 pixels a side and
/// 2^26 in all, and no more bytes than the stream has left. Errors are
/// gr::GraphicsException with the file's name.
class ImageReader
{
public:
    enum FileType {
        TYPE_UNKNOWN = 0, TYPE_BMP = 1, TYPE_TGA = 2, TYPE_JPG = 3, TYPE_DDS = 4, TYPE_PSD = 5, TYPE_PNG = 6,
        TYPE_PCX = 7, TYPE_PNM = 8, TYPE_GIF = 9, TYPE_TIF = 10, TYPE_NTX = 11, TYPE_PVR = 12, TYPE_WAV = 13,
        TYPE_MP3 = 14, TYPE_HGR = 15
    };
    static const int MAX_SIDE = 16384;
    static const int64_t MAX_PIXELS = int64_t(1) << 26;

    /// The type of a file from the last three characters of its name, in any letter case;
    /// 0 for names of four characters or fewer.
    static int fileType(const lang::String& name);

    /// Reads and checks the header. in is not owned: the caller keeps it open meanwhile.
    ImageReader(io::InputStream* in, int fileType);
    ~ImageReader();

    int width() const { return m_width; }
    int height() const { return m_height; }
    int mipLevels() const { return m_mipLevels; }
    int surfaceCount() const { return m_surfaceCount; }
    gr::PixelFormat format() const { return m_format; }
    gr::PixelFormat paletteFormat() const { return m_paletteFormat; }
    int fileType() const { return m_fileType; }

    /// Fills the next surface into dst (rows of dstPitch bytes, top row first) in format.
    /// Returns that surface's width and height through the pointers when given.
    void readSurface(void* dst, int dstPitch, gr::PixelFormat::Type format, int* width = nullptr,
                     int* height = nullptr);

private:
    struct Surface
    {
        std::vector<uint8_t> data;
        int width = 0;
        int height = 0;
    };

    io::InputStream* m_in;
    lang::String m_name;
    int m_fileType;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    int64_t m_pitch = 0;
    int m_mipLevels = 1;
    int m_surfaceCount = 1;
    gr::PixelFormat m_format;
    gr::PixelFormat m_paletteFormat;
    /// 256 entries of the palette format, whose entries may be wider than 4 bytes (NTX).
    std::vector<uint8_t> m_palette = std::vector<uint8_t>(256 * 4);
    bool m_bottomUp = false;
    bool m_runLength = false;
    bool m_cubeMap = false;
    bool m_ntxFlag = false;
    std::vector<Surface> m_surfaces; ///< in-memory formats (PNG, JPEG, PVR, NTX)
    int m_nextSurface = 0;
    // Run-length state of a TGA, carried across rows.
    int m_runLeft = 0;
    bool m_runRepeat = false;
    uint8_t m_runPixel[32] = {}; ///< a pixel of up to 255 bits: TGAs of any depth have runs

    void readFully(void* buffer, int64_t bytes);
    uint8_t byte();
    uint16_t le16();
    uint32_t le32();
    void checkSize(int64_t width, int64_t height);

    void readTGA();
    void readBMP();
    void readPNG();
    void readJPEG();
    void readPVR();
    void readNTX();
    void readRow(uint8_t* row);
};

} // namespace img
