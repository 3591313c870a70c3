#include "img/ImageReader.h"

#include "gr/GraphicsException.h"
#include "io/FileType.h"
#include "io/InputStream.h"

#include <algorithm>
#include <cstring>

using gr::PixelFormat;
using lang::Format;
using lang::String;

namespace img {

int ImageReader::fileType(const String& name)
{
    return io::fileType(name);
}

ImageReader::ImageReader(io::InputStream* in, int fileType) : m_in(in), m_name(in->toString()), m_fileType(fileType)
{
    switch (fileType) {
    case TYPE_TGA: readTGA(); break;
    case TYPE_BMP: readBMP(); break;
    case TYPE_PNG: readPNG(); break;
    case TYPE_JPG: readJPEG(); break;
    case TYPE_PVR: readPVR(); break;
    case TYPE_NTX: readNTX(); break;
    default: throw gr::GraphicsException(Format("Unsupported image file format while reading {0}", m_name));
    }
}

ImageReader::~ImageReader() = default;

void ImageReader::readFully(void* buffer, int64_t bytes)
{
    if (bytes <= 0)
        return;
    // {0,0}: every digit of a large count, which the default form would write as 2.68435e+08.
    if (bytes > INT32_MAX || m_in->read(buffer, static_cast<int>(bytes)) != bytes)
        throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", bytes, m_name));
}

uint8_t ImageReader::byte()
{
    uint8_t b;
    readFully(&b, 1);
    return b;
}

uint16_t ImageReader::le16()
{
    uint8_t b[2];
    readFully(b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t ImageReader::le32()
{
    uint8_t b[4];
    readFully(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void ImageReader::checkSize(int64_t width, int64_t height)
{
    // Before anything is allocated: a header must not be able to ask for all the memory.
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE || width * height > MAX_PIXELS)
        throw gr::GraphicsException(Format("Image {0} has an unsupported size {1}x{2}: at most 16384 pixels a side "
                                           "and 67108864 in all",
                                           m_name, width, height));
}

// --- TGA ---------------------------------------------------------------------

void ImageReader::readTGA()
{
    uint8_t h[18];
    readFully(h, 18);
    const int idLength = h[0], mapType = h[1], imageType = h[2];
    const int mapFirst = h[3] | h[4] << 8, mapLength = h[5] | h[6] << 8, mapEntryBits = h[7];
    const int width = h[12] | h[13] << 8, height = h[14] | h[15] << 8, bits = h[16], descriptor = h[17];
    if (mapType > 1 || bits % 8 != 0 || (descriptor & 0xC0))
        throw gr::GraphicsException(Format("Invalid bits per pixel in {0}", m_name));
    m_runLength = imageType > 8;
    if (m_runLength && bits < 8)
        throw gr::GraphicsException(Format("RLE Targa ({0}) not supported with 4-bit images", m_name));
    if (mapLength > 0 && (mapFirst != 0 || mapLength > 256))
        throw gr::GraphicsException(Format("Invalid color map length in {0}", m_name));
    if (mapLength == 0 && mapType != 0)
        throw gr::GraphicsException(Format("Invalid color map type in {0}", m_name));
    checkSize(width, height);
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bits;
    m_bottomUp = !(descriptor & 0x20);
    // Other depths read as UNKNOWN: the rows are still read, and convert to nothing.
    m_format = bits == 8 ? PixelFormat::P8 : bits == 16 ? PixelFormat::R5G5B5 : bits == 24 ? PixelFormat::R8G8B8
               : bits == 32 ? PixelFormat::A8R8G8B8 : PixelFormat::UNKNOWN;
    m_pitch = int64_t((bits + 7) / 8) * width;
    std::vector<uint8_t> skip(static_cast<size_t>(idLength));
    readFully(skip.data(), idLength);
    if (mapLength > 0) {
        const int entryBytes = mapEntryBits / 8;
        const PixelFormat::Type entryFormat = entryBytes == 2 ? PixelFormat::R5G5B5 : entryBytes == 3 ? PixelFormat::R8G8B8
                                              : entryBytes == 4 ? PixelFormat::A8R8G8B8 : PixelFormat::UNKNOWN;
        if (entryFormat == PixelFormat::UNKNOWN)
            throw gr::GraphicsException(Format("Invalid color map length in {0}", m_name));
        std::vector<uint8_t> entries(static_cast<size_t>(mapLength * entryBytes));
        readFully(entries.data(), static_cast<int64_t>(entries.size()));
        PixelFormat::convert(PixelFormat::X8B8G8R8, m_palette.data(), entryFormat, entries.data(), mapLength);
        m_paletteFormat = PixelFormat::X8B8G8R8;
    } else if (m_format.isPaletted()) {
        m_paletteFormat = PixelFormat::X8B8G8R8; // a grey ramp: unmapped 8-bit TGAs are greyscale
        for (int i = 0; i < 256; ++i)
            m_palette[4 * i] = m_palette[4 * i + 1] = m_palette[4 * i + 2] = static_cast<uint8_t>(i);
    }
}

// --- BMP ---------------------------------------------------------------------

void ImageReader::readBMP()
{
    uint8_t file[14];
    readFully(file, 14);
    if (file[0] != 'B' || file[1] != 'M')
        throw gr::GraphicsException(Format("BMP {0} header corrupted, id invalid", m_name));
    const uint32_t dataOffset = uint32_t(file[10]) | uint32_t(file[11]) << 8 | uint32_t(file[12]) << 16 | uint32_t(file[13]) << 24;
    const uint32_t headerSize = le32();
    if (headerSize < 12 || headerSize > 64)
        throw gr::GraphicsException(Format("BMP {0} header corrupted, header wrong size", m_name));
    uint8_t h[64] = {};
    readFully(h + 4, headerSize - 4);
    auto u16 = [&](int at) { return static_cast<int>(h[at] | h[at + 1] << 8); };
    auto u32 = [&](int at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    int width, height, bits, paletteEntryBytes = 0;
    uint32_t colours = 0;
    if (headerSize == 12) {
        width = u16(4);
        height = u16(6);
        bits = u16(10);
        if (bits != 8 && bits != 24)
            throw gr::GraphicsException(Format("BMP {0} header corrupted, invalid bits per pixel ({1})", m_name, bits));
        paletteEntryBytes = bits == 8 ? 3 : 0;
    } else if (headerSize == 40 || headerSize == 64) {
        width = u16(4);
        height = u16(8);
        const int planes = u16(12);
        bits = u16(14);
        const uint32_t compression = u32(16);
        colours = u32(32);
        if (bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            throw gr::GraphicsException(Format("BMP {0} header corrupted, invalid bits per pixel ({1})", m_name, bits));
        if (planes != 1)
            throw gr::GraphicsException(Format("BMP {0} header corrupted, invalid planes ({1})", m_name, planes));
        if (compression != 0)
            throw gr::GraphicsException(Format("BMP {0} header corrupted, invalid compression ({1})", m_name, compression));
        paletteEntryBytes = bits <= 8 ? 4 : 0;
    } else {
        throw gr::GraphicsException(Format("BMP {0} header corrupted, invalid compression ({1})", m_name, 0));
    }
    checkSize(width, height);
    int64_t consumed = 14 + headerSize;
    if (paletteEntryBytes) {
        const uint32_t count = colours ? colours : 1u << bits;
        if (count > 256)
            throw gr::GraphicsException(Format("BMP {0} header corrupted, invalid no of used colors ({1})", m_name, count));
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t entry[4] = {};
            readFully(entry, paletteEntryBytes);
            m_palette[4 * i] = entry[2];
            m_palette[4 * i + 1] = entry[1];
            m_palette[4 * i + 2] = entry[0];
        }
        consumed += int64_t(count) * paletteEntryBytes;
        m_paletteFormat = PixelFormat::X8B8G8R8;
    }
    // The pixels start where the file header says: anywhere from the end of the headers
    // and palette to the end of the file, however far.
    const int64_t fileSize = consumed + m_in->available();
    if (dataOffset < consumed || dataOffset > fileSize)
        throw gr::GraphicsException(Format("BMP {0} header corrupted, invalid pixel data offset ({1,0}, expected from "
                                           "{2,0} to {3,0})",
                                           m_name, dataOffset, consumed, fileSize));
    for (int64_t gap = dataOffset - consumed; gap > 0;) {
        const int skipped = m_in->skip(static_cast<int>(std::min<int64_t>(gap, INT32_MAX)));
        if (skipped <= 0)
            throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", gap, m_name));
        gap -= skipped;
    }
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bits;
    m_bottomUp = true;
    m_pitch = (int64_t(bits) * width / 8 + 3) & ~int64_t(3);
    m_format = bits == 4 ? PixelFormat::P4 : bits == 8 ? PixelFormat::P8 : bits == 16 ? PixelFormat::R5G5B5
               : bits == 24 ? PixelFormat::R8G8B8 : PixelFormat::X8R8G8B8;
}

// --- reading surfaces ----------------------------------------------------------

void ImageReader::readRow(uint8_t* row)
{
    const int bytesPerPixel = (m_bitsPerPixel + 7) / 8;
    if (!m_runLength) {
        readFully(row, m_pitch);
        return;
    }
    for (int x = 0; x < m_width;) {
        if (m_runLeft == 0) {
            const uint8_t header = byte();
            m_runLeft = (header & 0x7F) + 1;
            m_runRepeat = header & 0x80;
            if (m_runRepeat)
                readFully(m_runPixel, bytesPerPixel);
        }
        const int n = std::min(m_runLeft, m_width - x);
        for (int i = 0; i < n; ++i, ++x) {
            if (m_runRepeat)
                std::memcpy(row + x * bytesPerPixel, m_runPixel, static_cast<size_t>(bytesPerPixel));
            else
                readFully(row + x * bytesPerPixel, bytesPerPixel);
        }
        m_runLeft -= n;
    }
}

void ImageReader::readSurface(void* dstBytes, int dstPitch, PixelFormat::Type format, int* width, int* height)
{
    uint8_t* dst = static_cast<uint8_t*>(dstBytes);
    if (!m_surfaces.empty()) {
        if (m_nextSurface >= static_cast<int>(m_surfaces.size()))
            throw gr::GraphicsException(Format("Failed to read {0} bytes from {1}", 0, m_name));
        const Surface& s = m_surfaces[static_cast<size_t>(m_nextSurface++)];
        if (width)
            *width = s.width;
        if (height)
            *height = s.height;
        if (m_format.isCompressed()) {
            std::memcpy(dst, s.data.data(), s.data.size());
            return;
        }
        const int64_t pitch = PixelFormat::rowPitch(m_format.type(), s.width);
        for (int y = 0; y < s.height; ++y)
            PixelFormat::convert(format, dst + int64_t(y) * dstPitch, m_format.type(), s.data.data() + y * pitch, s.width,
                                 m_palette.data(), m_paletteFormat.type());
        return;
    }
    if (width)
        *width = m_width;
    if (height)
        *height = m_height;
    std::vector<uint8_t> row(static_cast<size_t>(m_pitch) + 4);
    for (int i = 0; i < m_height; ++i) {
        readRow(row.data());
        const int y = m_bottomUp ? m_height - 1 - i : i;
        PixelFormat::convert(format, dst + int64_t(y) * dstPitch, m_format.type(), row.data(), m_width,
                             m_palette.data(), m_paletteFormat.type());
    }
}

} // namespace img
