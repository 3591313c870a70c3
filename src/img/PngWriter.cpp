#include "img/PngWriter.h"

#include "gr/GraphicsException.h"
#include "io/FileOutputStream.h"
#include "lang/Format.h"

#include <png.h>

using lang::Format;

namespace img {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

/// libpng reports errors by longjmp: nothing with a destructor may be made between setjmp
/// and the end of the encoding but the output vector, made before it.
bool encodeInto(std::vector<uint8_t>* out, int width, int height, const uint8_t* rgba)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, out, appendBytes, noFlush);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgba + static_cast<size_t>(y) * width * 4));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::vector<uint8_t> PngWriter::encode(int width, int height, const uint8_t* rgba)
{
    if (width <= 0 || height <= 0)
        throw gr::GraphicsException(Format("Can't encode a PNG of {0} x {1} pixels", width, height));
    std::vector<uint8_t> bytes;
    if (!encodeInto(&bytes, width, height, rgba))
        throw gr::GraphicsException(Format("libpng failed to encode a PNG of {0} x {1} pixels", width, height));
    return bytes;
}

void PngWriter::write(const lang::String& path, int width, int height, const uint8_t* rgba)
{
    const std::vector<uint8_t> bytes = encode(width, height, rgba);
    io::FileOutputStream out(path);
    out.write(bytes.data(), static_cast<int>(bytes.size()));
    out.close();
}

} // namespace img
