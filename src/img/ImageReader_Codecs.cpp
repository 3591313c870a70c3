// The in-memory formats: PNG through libpng, JPEG through libjpeg, PVR and NTX.

#include "img/ImageReader.h"

#include "gr/GraphicsException.h"
#include "io/InputStream.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>
#include <memory>

using gr::PixelFormat;
using lang::Format;

namespace img {

namespace {

/// libpng's and libjpeg's errors arrive through longjmp; no object with a destructor may
/// live between the setjmp and the calls that can jump.
struct PngSource
{
    io::InputStream* in;
    bool shortRead;
    size_t wanted; ///< the length of the read that came up short
};

void pngRead(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    int got = 0;
    try {
        got = source->in->read(data, static_cast<int>(length));
    } catch (...) {
        got = -1;
    }
    if (got != static_cast<int>(length)) {
        source->shortRead = true;
        source->wanted = length;
        png_error(png, "short read");
    }
}

void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp)
{
}

/// The most libpng may allocate at once. Its own buffers (a chunk's data, a row of its own)
/// stay far below it; a chunk longer than its limits is only a warning to it, after which it
/// would allocate the length the file declares, up to 2 GiB for a text chunk of a few bytes.
const png_alloc_size_t PNG_ALLOCATION_LIMIT = 16 << 20;

png_voidp pngAllocate(png_structp, png_alloc_size_t size)
{
    return size > PNG_ALLOCATION_LIMIT ? nullptr : std::malloc(size);
}

void pngFree(png_structp, png_voidp block)
{
    std::free(block);
}

struct JpegError
{
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void jpegError(j_common_ptr info)
{
    longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegMessage(j_common_ptr)
{
}

} // namespace

void ImageReader::readPNG()
{
    png_byte signature[8];
    readFully(signature, 8);
    if (png_sig_cmp(signature, 0, 8) != 0)
        throw gr::GraphicsException(Format("png_check_sig failed while loading \"{0}\". File is not png?", m_name));
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning, nullptr,
                                               pngAllocate, pngFree);
    if (!png)
        throw gr::GraphicsException(Format("png_create_read_struct failed while loading \"{0}\"", m_name));
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw gr::GraphicsException(Format("png_create_info_struct failed while loading \"{0}\"", m_name));
    }
    PngSource source{m_in, false, 0};
    // Volatile: they change between the setjmp and a longjmp that may follow.
    std::vector<uint8_t>* volatile pixels = nullptr;
    std::vector<png_bytep>* volatile rows = nullptr;
    volatile int width = 0, height = 0, colourType = 0;
    volatile int failure = 0; // 1 decoding, 2 size
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &source, pngRead);
        png_set_sig_bytes(png, 8);
        // Compressed input cannot bomb: sizes and decompressed chunks are capped.
        png_set_user_limits(png, MAX_SIDE, MAX_SIDE);
        png_set_chunk_cache_max(png, 1000);
        png_set_chunk_malloc_max(png, 16 << 20);
        png_read_info(png, info);
        width = static_cast<int>(png_get_image_width(png, info));
        height = static_cast<int>(png_get_image_height(png, info));
        colourType = png_get_color_type(png, info);
        if (int64_t(width) * height > MAX_PIXELS) {
            failure = 2;
        } else {
            if (png_get_bit_depth(png, info) == 16)
                png_set_strip_16(png);
            if (png_get_bit_depth(png, info) < 8) {
                if (colourType == PNG_COLOR_TYPE_GRAY)
                    png_set_expand_gray_1_2_4_to_8(png);
                else
                    png_set_packing(png);
            }
            png_read_update_info(png, info);
            const size_t rowBytes = png_get_rowbytes(png, info);
            pixels = new std::vector<uint8_t>(rowBytes * static_cast<size_t>(height));
            rows = new std::vector<png_bytep>(static_cast<size_t>(height));
            for (int y = 0; y < height; ++y)
                (*rows)[static_cast<size_t>(y)] = pixels->data() + rowBytes * static_cast<size_t>(y);
            png_read_image(png, rows->data());
            if (colourType == PNG_COLOR_TYPE_PALETTE) {
                png_colorp palette = nullptr;
                int count = 0;
                std::fill(m_palette.begin(), m_palette.end(), uint8_t(0xFF));
                if (png_get_PLTE(png, info, &palette, &count) && palette) {
                    for (int i = 0; i < count && i < 256; ++i) {
                        m_palette[4 * i] = palette[i].blue;
                        m_palette[4 * i + 1] = palette[i].green;
                        m_palette[4 * i + 2] = palette[i].red;
                        m_palette[4 * i + 3] = 0xFF;
                    }
                }
            }
        }
    } else {
        failure = 1;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::unique_ptr<std::vector<uint8_t>> ownedPixels(pixels);
    std::unique_ptr<std::vector<png_bytep>> ownedRows(rows);
    if (failure == 2 || (failure == 0 && (width <= 0 || height <= 0)))
        checkSize(width, height);
    if (failure == 1) {
        if (source.shortRead)
            throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", source.wanted, m_name));
        throw gr::GraphicsException(Format("PNG {0} reading failed", m_name));
    }
    m_width = width;
    m_height = height;
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: m_format = PixelFormat::L8; break;
    case PNG_COLOR_TYPE_RGB: m_format = PixelFormat::B8G8R8; break;
    case PNG_COLOR_TYPE_PALETTE:
        m_format = PixelFormat::P8;
        m_paletteFormat = PixelFormat::A8R8G8B8;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: m_format = PixelFormat::A8L8; break;
    default: m_format = PixelFormat::A8B8G8R8; break;
    }
    Surface surface;
    surface.width = width;
    surface.height = height;
    surface.data.swap(*ownedPixels);
    m_surfaces.push_back(std::move(surface));
}

void ImageReader::readJPEG()
{
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max(0, m_in->available())));
    bytes.resize(static_cast<size_t>(std::max(0, m_in->read(bytes.data(), static_cast<int>(bytes.size())))));
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegError;
    error.manager.output_message = jpegMessage;
    // Volatile: they change between the setjmp and a longjmp that may follow.
    std::vector<uint8_t>* volatile pixels = nullptr;
    volatile int result = 0; // 0 fine, 1 decoder error, 2 grey, 3 size
    volatile int width = 0, height = 0;
    if (setjmp(error.jump) == 0) {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        width = static_cast<int>(info.image_width);
        height = static_cast<int>(info.image_height);
        if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE || int64_t(width) * height > MAX_PIXELS) {
            result = 3;
        } else {
            info.out_color_space = info.num_components == 3 ? JCS_RGB : info.out_color_space;
            jpeg_start_decompress(&info);
            if (info.output_components != 3) {
                result = 2;
            } else {
                pixels = new std::vector<uint8_t>(static_cast<size_t>(width) * 3 * static_cast<size_t>(height));
                while (info.output_scanline < info.output_height) {
                    JSAMPROW row = pixels->data() + size_t(info.output_scanline) * size_t(width) * 3;
                    jpeg_read_scanlines(&info, &row, 1);
                }
                jpeg_finish_decompress(&info);
            }
        }
    } else {
        result = 1;
    }
    jpeg_destroy_decompress(&info);
    std::unique_ptr<std::vector<uint8_t>> owned(pixels);
    if (result == 1)
        throw gr::GraphicsException(Format("JPEG {0} reading failed", m_name));
    if (result == 2)
        throw gr::GraphicsException(Format("Grayscale JPG ({0}) is not supported", m_name));
    if (result == 3)
        checkSize(width, height);
    m_width = width;
    m_height = height;
    m_format = PixelFormat::B8G8R8;
    Surface surface;
    surface.width = width;
    surface.height = height;
    surface.data.swap(*owned);
    m_surfaces.push_back(std::move(surface));
}

void ImageReader::readPVR()
{
    const uint32_t headerSize = le32();
    if (headerSize < 52 || headerSize > 1024)
        throw gr::GraphicsException(Format("Unsupported surface format {0} while reading PVR texture: {1}", 0, m_name));
    uint8_t h[1024] = {};
    readFully(h + 4, headerSize - 4);
    auto u32 = [&](int at) { return uint32_t(h[at]) | uint32_t(h[at + 1]) << 8 | uint32_t(h[at + 2]) << 16 | uint32_t(h[at + 3]) << 24; };
    const uint32_t height = u32(4), width = u32(8), mips = u32(12), flags = u32(16), surfaces = u32(48);
    checkSize(width, height);
    const uint32_t type = flags & 0xFF;
    const bool alpha = flags & (1u << 15);
    m_cubeMap = flags & (1u << 12);
    PixelFormat::Type format;
    switch (type) {
    case 16: format = PixelFormat::R4G4B4A4; break;
    case 17: format = PixelFormat::R5G5B5A1; break;
    case 18: format = PixelFormat::A8B8G8R8; break;
    case 19: format = PixelFormat::R5G6B5; break;
    case 21: format = PixelFormat::B8G8R8; break;
    case 22: format = PixelFormat::L8; break;
    case 23: format = PixelFormat::A8L8; break;
    case 24: format = alpha ? PixelFormat::RGBA_PVRTC_GL_2BPP : PixelFormat::RGB_PVRTC_GL_2BPP; break;
    case 25: format = alpha ? PixelFormat::RGBA_PVRTC_GL_4BPP : PixelFormat::RGB_PVRTC_GL_4BPP; break;
    case 26: format = PixelFormat::A8R8G8B8; break;
    case 54: format = PixelFormat::ETC1_RGB_4BPP; break;
    default:
        throw gr::GraphicsException(Format("Unsupported surface format {0} while reading PVR texture: {1}", type, m_name));
    }
    if (mips > 15 || surfaces > 6 || (m_cubeMap && surfaces == 0))
        throw gr::GraphicsException(Format("Unsupported surface format {0} while reading PVR texture: {1}", type, m_name));
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    m_format = format;
    m_mipLevels = static_cast<int>(mips) + 1;
    m_surfaceCount = static_cast<int>(std::max(1u, surfaces)) * m_mipLevels;
    // A short file must not get the memory its header asks for: 64 bytes can ask for 256 MiB.
    int64_t total = 0;
    for (int level = 0; level < m_mipLevels; ++level)
        total += PixelFormat::surfaceSize(format, std::max(1, m_width >> level), std::max(1, m_height >> level));
    total *= std::max(1u, surfaces);
    if (total > m_in->available())
        throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", total, m_name));
    for (uint32_t s = 0; s < std::max(1u, surfaces); ++s) {
        for (int level = 0; level < m_mipLevels; ++level) {
            Surface surface;
            surface.width = std::max(1, m_width >> level);
            surface.height = std::max(1, m_height >> level);
            surface.data.resize(static_cast<size_t>(PixelFormat::surfaceSize(format, surface.width, surface.height)));
            readFully(surface.data.data(), static_cast<int64_t>(surface.data.size()));
            m_surfaces.push_back(std::move(surface));
        }
    }
}

void ImageReader::readNTX()
{
    const int version = le16();
    if (version < 259 || version > 260)
        throw gr::GraphicsException(
            Format("NTX file {0} has incorrect version ({1}, expected to be from {2} to {3}", m_name, version, 259, 260));
    const int width = le16(), height = le16(), formatCode = le16(), paletteCount = le16();
    const int flags = byte();
    uint8_t unused[3];
    readFully(unused, 3);
    checkSize(width, height);
    if (formatCode <= 0 || formatCode >= PixelFormat::TYPE_COUNT || PixelFormat(static_cast<PixelFormat::Type>(formatCode)).isCompressed() ||
        PixelFormat(static_cast<PixelFormat::Type>(formatCode)).bitsPerPixel() % 8 != 0 || paletteCount > 256)
        throw gr::GraphicsException(Format("NTX file {0} has an unsupported pixel format ({1})", m_name, formatCode));
    m_ntxFlag = flags & 1;

    // What the image needs after the header: the palette, then the pixels. Sizes the header
    // declares are checked against what the file can give before anything of their size is
    // allocated: a few dozen bytes can declare a GiB.
    const PixelFormat fileFormat(static_cast<PixelFormat::Type>(formatCode));
    const PixelFormat format = paletteCount > 0 ? PixelFormat(PixelFormat::P8) : fileFormat;
    const size_t paletteBytes = size_t(paletteCount) * fileFormat.bytesPerPixel();
    const size_t pixelBytes = size_t(width) * format.bytesPerPixel() * size_t(height);
    auto require = [&](size_t bytes) {
        if (bytes < paletteBytes)
            throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", paletteBytes, m_name));
        if (bytes - paletteBytes < pixelBytes)
            throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", pixelBytes, m_name));
    };

    // The rest of the file, or what the Huffman block decompresses to.
    std::vector<uint8_t> rest;
    if (flags & 2) {
        const uint32_t symbols = le32();
        if (symbols > uint32_t(MAX_PIXELS) * 8)
            throw gr::GraphicsException(Format("NTX file {0} is corrupted: {1} symbols", m_name, symbols));
        const int lengths = byte();
        std::vector<std::pair<int, int>> groups; // (code length, symbol count)
        int64_t total = 0;
        for (int i = 0; i < lengths; ++i) {
            const int length = byte();
            const int count = le16();
            if (length < 1 || length > 32)
                throw gr::GraphicsException(Format("NTX file {0} is corrupted: code length {1}", m_name, length));
            groups.push_back({length, count});
            total += count;
        }
        if (total * 2 > m_in->available())
            throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", total * 2, m_name));
        // Canonical codes: ordered by (length, symbol), each next code one more, shifted
        // left when the length grows.
        std::vector<std::pair<int, uint16_t>> table;
        for (const auto& group : groups)
            for (int i = 0; i < group.second; ++i)
                table.push_back({group.first, le16()});
        std::sort(table.begin(), table.end());
        std::map<std::pair<int, uint32_t>, uint16_t> codes;
        uint32_t code = 0;
        for (size_t i = 0; i < table.size(); ++i) {
            if (i > 0)
                code = (code + 1) << (table[i].first - table[i - 1].first);
            codes[{table[i].first, code}] = table[i].second;
        }
        const uint32_t bits = le32();
        const int64_t bitBytes = (int64_t(bits) + 7) / 8;
        const int available = m_in->available();
        if (bitBytes > available)
            throw gr::GraphicsException(Format("Failed to read {0,0} bytes from {1}", bitBytes, m_name));
        // Every code takes a bit at least: the output is at most two bytes a bit, whatever
        // the symbol count says, and no more than the image needs is kept.
        require(size_t(std::min(symbols, bits)) * 2);
        const size_t wanted = paletteBytes + pixelBytes;
        std::vector<uint8_t> stream(static_cast<size_t>(bitBytes));
        readFully(stream.data(), bitBytes);
        rest.reserve(wanted + 1);
        int length = 0;
        uint32_t value = 0;
        for (uint32_t i = 0; i < bits && rest.size() < wanted; ++i) {
            value = value << 1 | ((stream[i / 8] >> (i % 8)) & 1);
            ++length;
            auto found = codes.find({length, value});
            if (found != codes.end()) {
                rest.push_back(static_cast<uint8_t>(found->second));
                rest.push_back(static_cast<uint8_t>(found->second >> 8));
                length = 0;
                value = 0;
            } else if (length > 32) {
                throw gr::GraphicsException(Format("NTX file {0} is corrupted: an unknown code", m_name));
            }
        }
    } else {
        require(static_cast<size_t>(std::max(0, m_in->available())));
        rest.resize(paletteBytes + pixelBytes);
        rest.resize(static_cast<size_t>(std::max(0, m_in->read(rest.data(), static_cast<int>(rest.size())))));
    }
    require(rest.size());

    if (paletteCount > 0) {
        m_paletteFormat = fileFormat;
        // Entries of 8 or 16 bytes (float formats) make a wider table; indices past the
        // file's entries read zeros.
        m_palette.assign(size_t(256) * fileFormat.bytesPerPixel(), 0);
        std::memcpy(m_palette.data(), rest.data(), paletteBytes);
    }
    m_width = width;
    m_height = height;
    m_format = format;
    Surface surface;
    surface.width = width;
    surface.height = height;
    surface.data.assign(rest.begin() + static_cast<long>(paletteBytes),
                        rest.begin() + static_cast<long>(paletteBytes + pixelBytes));
    m_surfaces.push_back(std::move(surface));
}

} // namespace img
