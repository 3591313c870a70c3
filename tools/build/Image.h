#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace build {

/// An 8-bit RGBA picture in memory, rows top to bottom: what the builder reads its sources
/// into and composes atlases in.
class Image
{
public:
    Image() = default;
    /// width x height transparent black pixels.
    Image(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }

    uint8_t* pixel(int x, int y) { return &m_pixels[(static_cast<size_t>(y) * m_width + x) * 4]; }
    const uint8_t* pixel(int x, int y) const { return &m_pixels[(static_cast<size_t>(y) * m_width + x) * 4]; }
    uint8_t alpha(int x, int y) const { return pixel(x, y)[3]; }
    const std::vector<uint8_t>& bytes() const { return m_pixels; }

    /// Copies the w x h rectangle at (sx, sy) of source to (dx, dy); both must lie inside.
    void blit(const Image& source, int sx, int sy, int w, int h, int dx, int dy);

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_pixels;
};

/// Decodes PNG bytes as the engine's reader does (palette, grey and 16-bit channels widened
/// or narrowed to RGBA8, no gamma applied). Throws BuildError naming `name` when the bytes
/// are not a PNG or are damaged.
Image decodePng(const std::string& bytes, const std::string& name);
/// decodePng() of the file at path.
Image readPng(const std::string& path);
/// The PNG bytes of an image: RGBA8, no time or text chunks, so one picture always gives
/// the same bytes.
std::vector<uint8_t> encodePng(const Image& image);

/// The whole file; throws BuildError naming path when it can't be read.
std::string readFileBytes(const std::string& path);

} // namespace build
