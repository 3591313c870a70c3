#pragma once

#include "gr/Context.h"
#include "io/IOException.h"

#include <sys/stat.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

/// A texture of a size and nothing else.
class SizedTexture : public gr::Texture
{
public:
    SizedTexture(int width, int height) : m_width(width), m_height(height) {}
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    gr::PixelFormat format() const override { return gr::PixelFormat(gr::PixelFormat::A8B8G8R8); }
    int mipLevels() const override { return 1; }
    void setSurface(int, int, const void*, int, int, int, int, gr::PixelFormat::Type) override {}

private:
    int m_width, m_height;
};

/// One quad or line as drawn: its rectangle in pixels (a line: its start and its extent),
/// texture coordinates and the name of the image file its texture came from, or its colour.
struct DrawnQuad
{
    float x, y, width, height;
    float u0, v0, u1, v1;
    std::string image;
    uint32_t colour = 0; ///< A8R8G8B8 of untextured draws
    bool line = false;
};

/// A context whose images are sized stand-ins and whose 2D batches are recorded as quads
/// in pixels, for checking where resources draw without a window.
class DrawingContext : public gr::Context
{
public:
    DrawingContext(int width = 640, int height = 480) { resize(width, height); }
    int kind() const override { return KIND_GL2; }
    void present() override {}
    void clear(uint32_t, bool, bool, bool) override {}
    void flipFrontFace() override {}

    /// The size the next loads of a file name give; 256 x 256 when not set.
    std::map<std::string, std::pair<int, int>> imageSizes;
    std::vector<std::string> loaded;

    /// Every quad drawn since the last call.
    std::vector<DrawnQuad> take()
    {
        flush();
        std::vector<DrawnQuad> out;
        out.swap(m_quads);
        return out;
    }

protected:
    void applyViewport(const int[4]) override {}
    void applyScissor(const int[4]) override {}

    lang::Ptr<gr::Texture> loadTextureFile(const lang::String& fileName, bool) override
    {
        struct stat info;
        if (stat(fileName.c_str(), &info) != 0)
            throw io::IOException(lang::Format("Failed to open {0}", fileName));
        auto size = imageSizes.count(fileName.str()) ? imageSizes[fileName.str()] : std::make_pair(256, 256);
        lang::Ptr<gr::Texture> texture = new SizedTexture(size.first, size.second);
        texture->setName(fileName);
        loaded.push_back(fileName.str());
        return texture;
    }

    void drawBatch(gr::Batch2D& batch) override
    {
        // Four corners per quad: top-left first and bottom-right last. Two points per line.
        const bool lines = batch.mode == gr::Batch2D::LINES;
        const size_t step = lines ? 2 : 4;
        const float W = static_cast<float>(width()), H = static_cast<float>(height());
        for (size_t v = 0; v + step <= batch.positions.size() / 3; v += step) {
            const float* first = &batch.positions[3 * v];
            const float* last = &batch.positions[3 * (v + step - 1)];
            const float x0 = pixels((first[0] + 1) * W / 2), y0 = pixels((1 - first[1]) * H / 2);
            const float x1 = pixels((last[0] + 1) * W / 2), y1 = pixels((1 - last[1]) * H / 2);
            DrawnQuad quad{x0, y0, x1 - x0, y1 - y0, 0, 0, 0, 0, batch.texture ? batch.texture->name().str() : ""};
            quad.line = lines;
            if (!batch.texCoords.empty()) {
                const float* uv = &batch.texCoords[2 * v];
                const float* uvLast = &batch.texCoords[2 * (v + step - 1)];
                quad.u0 = uv[0], quad.v0 = uv[1], quad.u1 = uvLast[0], quad.v1 = uvLast[1];
            }
            if (!batch.colours.empty()) {
                const uint8_t* c = &batch.colours[4 * v];
                quad.colour = uint32_t(c[3]) << 24 | uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2];
            }
            m_quads.push_back(quad);
        }
    }

private:
    std::vector<DrawnQuad> m_quads;

    /// Back from clip space, rounded to 1/1024 pixel: the round trip is not exact.
    static float pixels(float value) { return std::round(value * 1024) / 1024; }
};
