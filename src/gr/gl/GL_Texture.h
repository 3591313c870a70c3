#pragma once

#include "gr/Texture.h"
#include "lang/Array.h"

#include <GL/glew.h>

#include <vector>

namespace gr {

class GL_ContextBase;

/// A GL texture with its mip chain; a render target gets a framebuffer and a depth buffer.
class GL_Texture : public Texture
{
public:
    /// Creates the GL objects; throws GraphicsException "Texture is too large: ..." when
    /// GL can't hold the size. context is not owned: it outlives its textures.
    GL_Texture(GL_ContextBase* context, int width, int height, int mipLevels, PixelFormat::Type format, int usage);
    ~GL_Texture() override;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    PixelFormat format() const override { return m_format; }
    int mipLevels() const override { return m_mipLevels; }
    int usage() const override { return m_usage; }
    void setSurface(int x, int y, const void* pixels, int pitch, int level, int width, int height,
                    PixelFormat::Type format) override;

    GLuint glTexture() const { return m_texture; }
    GLuint framebuffer() const { return m_framebuffer; }
    bool isRenderTarget() const { return (m_usage & (USAGE_RENDER_TARGET | USAGE_UNROTATED_TARGET)) != 0; }
    /// The minification filter chosen at creation.
    GLint minFilter() const { return m_minFilter; }

    /// Drops the GL objects; the description and the kept uploads stay.
    void releaseGL() { release(); }
    /// Makes the GL objects again and uploads what was kept.
    void restoreGL();
    /// Called by the context as it goes: the texture outlives it without GL.
    void detach() { m_context = nullptr; }

    /// The GL format and type of a pixel format; false when GL has none.
    static bool glFormat(PixelFormat::Type format, GLenum* glFormat, GLenum* glType);

    /// The framebuffer and renderbuffer calls a render target is made and deleted with. The
    /// core calls and those of GL_EXT_framebuffer_object take the same arguments and enum
    /// values, so either set fills the same table.
    struct FramebufferCalls
    {
        PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
        PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
        PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
        PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
        PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
        PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
        PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
        PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
        PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;

        /// Every call is there.
        bool complete() const;
        /// The core calls when the extension loader found them all, else the EXT ones when
        /// it found those (drivers before OpenGL 3.0 may have only them), else an empty
        /// table: render targets then have no framebuffer.
        static FramebufferCalls choose();
    };

private:
    GL_ContextBase* m_context;
    int m_width, m_height, m_mipLevels, m_usage;
    PixelFormat m_format;
    GLuint m_texture = 0;
    GLuint m_framebuffer = 0;
    GLuint m_depth = 0;
    FramebufferCalls m_framebufferCalls; ///< those m_framebuffer and m_depth were made with
    GLint m_minFilter = GL_LINEAR;

    /// An upload kept for restoring: where it went and its rows, tightly packed.
    struct Shadow
    {
        int x, y, level, width, height;
        PixelFormat::Type format;
        std::vector<uint8_t> pixels;
    };
    std::vector<Shadow> m_shadows;
    bool m_restoring = false;

    void create();
    void release();
    /// Writes the debug line for a format GL has no upload form of.
    void logMissingFormat(PixelFormat format) const;
};

} // namespace gr
