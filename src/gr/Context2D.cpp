// The context's immediate 2D drawing: mapping, culling, batching and flushing.

#include "gr/Context.h"

#include <cmath>

namespace gr {

namespace {

bool alphaFormat(PixelFormat::Type type)
{
    return PixelFormat(type).hasAlpha() || type == PixelFormat::DXT1 || type == PixelFormat::DXT3 ||
           type == PixelFormat::DXT5 || type == PixelFormat::RGBA_PVRTC_GL_2BPP || type == PixelFormat::RGBA_PVRTC_GL_4BPP;
}

} // namespace

void Context::flushBatch()
{
    // A shader's own flush request while the batch is being drawn does nothing.
    if (m_flushing || m_batch.isEmpty())
        return;
    m_flushing = true;
    try {
        setScissor(m_batch.state.clip);
        resetTransform();
        drawBatch(m_batch);
    } catch (...) {
        // A batch that can't be drawn (its effect file is missing) is dropped: kept, it
        // would fail every later flush, and a stuck flag would silence every later draw.
        m_batch.clear();
        m_flushing = false;
        throw;
    }
    m_batch.clear();
    m_flushing = false;
}

void Context::submit(Batch2D::Mode mode, float lineWidth, Texture* image, const char* shader, const float corners[8],
                     int cornerCount, const float* uv, uint32_t colour)
{
    float clip[8];
    if (!toClipSpace(corners, cornerCount, clip))
        return;
    const DrawState& s = drawState();
    if (!m_batch.accepts(mode, lineWidth, image, s) || !m_batch.hasRoom(cornerCount))
        flushBatch();
    if (m_batch.isEmpty()) {
        m_batch.mode = mode;
        m_batch.lineWidth = lineWidth;
        m_batch.texture = image;
        m_batch.shaderName = shader;
        m_batch.state = s;
    }
    // The corners go in as they are: the shared indices make a quad's two triangles.
    const int count = cornerCount;
    const size_t at = m_batch.positions.size();
    m_batch.positions.resize(at + 3 * static_cast<size_t>(count));
    float* position = &m_batch.positions[at];
    if (uv) {
        const size_t uvAt = m_batch.texCoords.size();
        m_batch.texCoords.resize(uvAt + 2 * static_cast<size_t>(count));
        float* texCoord = &m_batch.texCoords[uvAt];
        std::copy(uv, uv + 2 * count, texCoord);
    } else {
        const size_t colourAt = m_batch.colours.size();
        m_batch.colours.resize(colourAt + 4 * static_cast<size_t>(count));
        uint8_t* rgba = &m_batch.colours[colourAt];
        for (int k = 0; k < count; ++k) {
            rgba[4 * k] = uint8_t(colour >> 16), rgba[4 * k + 1] = uint8_t(colour >> 8);
            rgba[4 * k + 2] = uint8_t(colour), rgba[4 * k + 3] = uint8_t(colour >> 24);
        }
    }
    for (int k = 0; k < count; ++k) {
        position[3 * k] = clip[2 * k];
        position[3 * k + 1] = clip[2 * k + 1];
        position[3 * k + 2] = 0.001f;
    }
}

bool Context::toClipSpace(const float* corners, int count, float* clip) const
{
    // Pixels to clip space; false when the points lie wholly off screen.
    const DrawState& s = drawState();
    const float kx = 2 * s.scaleX / static_cast<float>(width()), ky = -2 * s.scaleY / static_cast<float>(height());
    float minX = 1e30f, maxX = -1e30f, minY = 1e30f, maxY = -1e30f;
    for (int i = 0; i < count; ++i) {
        const float cx = kx * corners[2 * i] - 1, cy = ky * corners[2 * i + 1] + 1;
        clip[2 * i] = cx;
        clip[2 * i + 1] = cy;
        minX = cx < minX ? cx : minX, maxX = cx > maxX ? cx : maxX;
        minY = cy < minY ? cy : minY, maxY = cy > maxY ? cy : maxY;
    }
    return !(maxX < -1 || minX >= 1 || maxY < -1 || minY >= 1);
}

void Context::imageCorners(float x, float y, float w, float h, float corners[8]) const
{
    const DrawState& s = drawState();
    if (s.angle == 0) {
        const float x0 = x + s.translateX, y0 = y + s.translateY;
        const float c[8] = {x0, y0, x0 + w, y0, x0, y0 + h, x0 + w, y0 + h};
        std::copy(c, c + 8, corners);
        return;
    }
    const float local[8] = {-s.pivotX, -s.pivotY, w - s.pivotX, -s.pivotY, -s.pivotX, h - s.pivotY, w - s.pivotX, h - s.pivotY};
    for (int i = 0; i < 4; ++i) {
        const float lx = local[2 * i], ly = local[2 * i + 1];
        corners[2 * i] = x + s.pivotX + s.translateX + s.m00 * lx + s.m10 * ly;
        corners[2 * i + 1] = y + s.pivotY + s.translateY + s.m01 * lx + s.m11 * ly;
    }
}

void Context::drawImage(Texture* image, float x, float y, float w, float h, const float uv[8])
{
    float corners[8];
    imageCorners(x, y, w, h, corners);
    const char* shader = image && alphaFormat(image->format().type()) ? "2d-sprite-alpha" : "2d-sprite";
    submit(Batch2D::TEXTURED, 1, image, shader, corners, 4, uv, 0);
}

void Context::drawImage(Texture* image, float x, float y, float sx, float sy, float sw, float sh, float dw, float dh)
{
    const float tw = static_cast<float>(image->width()), th = static_cast<float>(image->height());
    const float u0 = sx / tw, v0 = sy / th, u1 = (sx + sw) / tw, v1 = (sy + sh) / th;
    const float uv[8] = {u0, v0, u1, v0, u0, v1, u1, v1};
    drawImage(image, x, y, dw, dh, uv);
}

void Context::drawImageTransformed(Texture* image, float x, float y, float w, float h, float pivotX, float pivotY,
                                   float angle, float scaleX, float scaleY, const float uv[8])
{
    const DrawState& s = drawState();
    const float c = std::cos(angle), sn = std::sin(angle);
    const float ox = x + s.translateX, oy = y + s.translateY;
    const float left = -pivotX * scaleX, right = (w - pivotX) * scaleX;
    const float top = -pivotY * scaleY, bottom = (h - pivotY) * scaleY;
    const float local[8] = {left, top, right, top, left, bottom, right, bottom};
    float corners[8];
    for (int i = 0; i < 4; ++i) {
        const float lx = local[2 * i], ly = local[2 * i + 1];
        corners[2 * i] = ox + c * lx - sn * ly;
        corners[2 * i + 1] = oy + sn * lx + c * ly;
    }
    const char* shader = image && alphaFormat(image->format().type()) ? "2d-sprite-alpha" : "2d-sprite";
    submit(Batch2D::TEXTURED, 1, image, shader, corners, 4, uv, 0);
}

void Context::fillRect(uint32_t colour, float x, float y, float w, float h)
{
    const DrawState& s = drawState();
    const float local[8] = {-s.pivotX, -s.pivotY, w - s.pivotX, -s.pivotY, -s.pivotX, h - s.pivotY, w - s.pivotX, h - s.pivotY};
    float corners[8];
    for (int i = 0; i < 4; ++i) {
        const float lx = local[2 * i], ly = local[2 * i + 1];
        corners[2 * i] = x + s.pivotX + s.translateX + s.m00 * lx + s.m10 * ly;
        corners[2 * i + 1] = y + s.pivotY + s.translateY + s.m01 * lx + s.m11 * ly;
    }
    const bool alpha = (colour >> 24) != 0xFF || s.alpha != 1.0f;
    submit(Batch2D::COLOURED, 1, nullptr, alpha ? "2d-vertexcolor-alpha" : "2d-vertexcolor", corners, 4, nullptr, colour);
}

void Context::drawLine(uint32_t colour, float x0, float y0, float x1, float y1, float width)
{
    const DrawState& s = drawState();
    const float local[4] = {-s.pivotX, -s.pivotY, x1 - x0 - s.pivotX, y1 - y0 - s.pivotY};
    float ends[4];
    for (int i = 0; i < 2; ++i) {
        const float lx = local[2 * i], ly = local[2 * i + 1];
        ends[2 * i] = x0 + s.pivotX + s.translateX + s.m00 * lx + s.m10 * ly;
        ends[2 * i + 1] = y0 + s.pivotY + s.translateY + s.m01 * lx + s.m11 * ly;
    }
    const float dx = x1 - x0, dy = y1 - y0, length = std::sqrt(dx * dx + dy * dy);
    const float ux = length > 0 ? dx / length : 1, uy = length > 0 ? dy / length : 0;
    float glWidth = std::trunc(width * (s.scaleY * ux * ux + s.scaleX * uy * uy));
    if (glWidth < 1)
        glWidth = 1;
    const bool alpha = (colour >> 24) != 0xFF || s.alpha != 1.0f;
    submit(Batch2D::LINES, glWidth, nullptr, alpha ? "2d-vertexcolor-alpha" : "2d-vertexcolor", ends, 2, nullptr, colour);
}

void Image::draw(float x, float y, float width, float height, const float uv[8])
{
    m_context->drawImage(m_texture.ptr(), x, y, width, height, uv);
}

void Image::draw(float x, float y, float sx, float sy, float sw, float sh, float dw, float dh)
{
    m_context->drawImage(m_texture.ptr(), x, y, sx, sy, sw, sh, dw, dh);
}

lang::Ptr<Image> Context::createImage(int width, int height, PixelFormat::Type format)
{
    lang::Ptr<Texture> texture = createTexture(width, height, 0, format, 0);
    ++m_statistics.imagesCreated;
    Statistics::addBytes(m_statistics.imageBytes, PixelFormat::surfaceSize(texture->format().type(), width, height));
    return new Image(this, texture.ptr());
}

lang::Ptr<Image> Context::loadImage(const lang::String& fileName)
{
    lang::Ptr<Texture> texture = loadTextureFile(fileName, true);
    ++m_statistics.imagesCreated;
    Statistics::addBytes(m_statistics.imageBytes,
                         PixelFormat::surfaceSize(texture->format().type(), texture->width(), texture->height()));
    return new Image(this, texture.ptr());
}

} // namespace gr
