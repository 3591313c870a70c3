#pragma once

#include "gr/Texture.h"
#include "lang/Object.h"
#include "lang/Ptr.h"

namespace gr {

class Context;

/// A texture drawn as 2D sprites through the context's batch.
class Image : public lang::Object
{
public:
    /// context is not owned: it outlives its images.
    Image(Context* context, Texture* texture) : m_context(context), m_texture(texture) {}

    /// Draws the image at x, y (pixels) in width x height, with the texture coordinates of
    /// the corners top-left, top-right, bottom-left, bottom-right.
    void draw(float x, float y, float width, float height, const float uv[8]);
    /// Draws the source rectangle (texels) at x, y in the destination size.
    void draw(float x, float y, float sx, float sy, float sw, float sh, float dw, float dh);
    void setSurface(int x, int y, const void* pixels, int pitch, int level, int width, int height,
                    PixelFormat::Type format)
    {
        m_texture->setSurface(x, y, pixels, pitch, level, width, height, format);
    }

    int width() const { return m_texture->width(); }
    int height() const { return m_texture->height(); }
    PixelFormat pixelFormat() const { return m_texture->format(); }
    Texture* texture() const { return m_texture.ptr(); }
    /// The effect its sprites are drawn with.
    const char* spriteShader() const { return pixelFormat().hasAlpha() ? "2d-sprite-alpha" : "2d-sprite"; }

private:
    Context* m_context;
    lang::Ptr<Texture> m_texture;
};

} // namespace gr
