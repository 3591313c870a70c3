#include "Image.h"

#include "BuildError.h"

#include <png.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace build {

Image::Image(int width, int height)
    : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height * 4, 0)
{
}

void Image::blit(const Image& source, int sx, int sy, int w, int h, int dx, int dy)
{
    for (int row = 0; row < h; ++row)
        std::memcpy(pixel(dx, dy + row), source.pixel(sx, sy + row), static_cast<size_t>(w) * 4);
}

std::string readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw BuildError(path, std::string("cannot read: ") + std::strerror(errno));
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {

// Larger sides are refused before anything is allocated: no source art is this big, and a
// damaged header must not make the builder commit gigabytes.
const png_uint_32 MAX_SIDE = 16384;

struct PngReadSource
{
    const std::string* bytes;
    size_t offset;
};

struct PngFailure
{
    std::string text;
};

void readBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<PngReadSource*>(png_get_io_ptr(png));
    if (source->bytes->size() - source->offset < length)
        png_error(png, "the file ends early");
    std::memcpy(data, source->bytes->data() + source->offset, length);
    source->offset += length;
}

void onError(png_structp png, png_const_charp text)
{
    static_cast<PngFailure*>(png_get_error_ptr(png))->text = text;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

} // namespace

Image decodePng(const std::string& bytes, const std::string& name)
{
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
        throw BuildError(name, "not a PNG image");
    PngFailure failure;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw BuildError(name, "out of memory reading the PNG image");
    }
    PngReadSource source{&bytes, 0};
    // Kept outside the jump buffer's frame: setjmp/longjmp must not skip a destructor.
    auto image = std::make_unique<Image>();
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &source, readBytes);
        png_set_user_limits(png, MAX_SIDE, MAX_SIDE);
        png_read_info(png, info);
        const int colourType = png_get_color_type(png, info);
        if (png_get_bit_depth(png, info) == 16)
            png_set_strip_16(png);
        if (colourType == PNG_COLOR_TYPE_PALETTE)
            png_set_palette_to_rgb(png);
        if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS))
            png_set_tRNS_to_alpha(png);
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        *image = Image(static_cast<int>(png_get_image_width(png, info)),
                       static_cast<int>(png_get_image_height(png, info)));
        rows.resize(static_cast<size_t>(image->height()));
        for (int y = 0; y < image->height(); ++y)
            rows[static_cast<size_t>(y)] = image->pixel(0, y);
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
    } else {
        png_destroy_read_struct(&png, &info, nullptr);
        throw BuildError(name, "damaged PNG image: " + failure.text);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return std::move(*image);
}

Image readPng(const std::string& path)
{
    return decodePng(readFileBytes(path), path);
}

std::vector<uint8_t> encodePng(const Image& image)
{
    std::vector<uint8_t> out;
    PngFailure failure;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw BuildError("", "out of memory writing a PNG image");
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(image.pixel(0, y));
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &out, appendBytes, flushNothing);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()), static_cast<png_uint_32>(image.height()), 8,
                     PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    } else {
        png_destroy_write_struct(&png, &info);
        throw BuildError("", "writing a PNG image failed: " + failure.text);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace build
