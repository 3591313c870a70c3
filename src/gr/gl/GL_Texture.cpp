#include "gr/gl/GL_Texture.h"

#include "gr/GraphicsException.h"
#include "gr/gl/GL_ContextBase.h"
#include "gr/gl/GL_StateCache.h"
#include "lang/Debug.h"

#include <cmath>
#include <cstring>

namespace gr {

bool GL_Texture::glFormat(PixelFormat::Type format, GLenum* glFormat, GLenum* glType)
{
    switch (format) {
    case PixelFormat::R8G8B8:
    case PixelFormat::B8G8R8: *glFormat = GL_RGB, *glType = GL_UNSIGNED_BYTE; return true;
    case PixelFormat::A8R8G8B8:
    case PixelFormat::A8B8G8R8: *glFormat = GL_RGBA, *glType = GL_UNSIGNED_BYTE; return true;
    case PixelFormat::R5G6B5: *glFormat = GL_RGB, *glType = GL_UNSIGNED_SHORT_5_6_5; return true;
    case PixelFormat::P8:
    case PixelFormat::L8: *glFormat = GL_LUMINANCE, *glType = GL_UNSIGNED_BYTE; return true;
    case PixelFormat::A8L8: *glFormat = GL_LUMINANCE_ALPHA, *glType = GL_UNSIGNED_BYTE; return true;
    case PixelFormat::R4G4B4A4: *glFormat = GL_RGBA, *glType = GL_UNSIGNED_SHORT_4_4_4_4; return true;
    case PixelFormat::R5G5B5A1: *glFormat = GL_RGBA, *glType = GL_UNSIGNED_SHORT_5_5_5_1; return true;
    default: return false;
    }
}

bool GL_Texture::FramebufferCalls::complete() const
{
    return genFramebuffers && bindFramebuffer && framebufferTexture2D && deleteFramebuffers && genRenderbuffers &&
           bindRenderbuffer && renderbufferStorage && framebufferRenderbuffer && deleteRenderbuffers;
}

GL_Texture::FramebufferCalls GL_Texture::FramebufferCalls::choose()
{
    // GLEW's names are macros over pointers it filled at start-up; read them now, not then.
    FramebufferCalls core;
    core.genFramebuffers = glGenFramebuffers;
    core.bindFramebuffer = glBindFramebuffer;
    core.framebufferTexture2D = glFramebufferTexture2D;
    core.deleteFramebuffers = glDeleteFramebuffers;
    core.genRenderbuffers = glGenRenderbuffers;
    core.bindRenderbuffer = glBindRenderbuffer;
    core.renderbufferStorage = glRenderbufferStorage;
    core.framebufferRenderbuffer = glFramebufferRenderbuffer;
    core.deleteRenderbuffers = glDeleteRenderbuffers;
    if (core.complete())
        return core;
    FramebufferCalls ext;
    ext.genFramebuffers = glGenFramebuffersEXT;
    ext.bindFramebuffer = glBindFramebufferEXT;
    ext.framebufferTexture2D = glFramebufferTexture2DEXT;
    ext.deleteFramebuffers = glDeleteFramebuffersEXT;
    ext.genRenderbuffers = glGenRenderbuffersEXT;
    ext.bindRenderbuffer = glBindRenderbufferEXT;
    ext.renderbufferStorage = glRenderbufferStorageEXT;
    ext.framebufferRenderbuffer = glFramebufferRenderbufferEXT;
    ext.deleteRenderbuffers = glDeleteRenderbuffersEXT;
    return ext.complete() ? ext : FramebufferCalls();
}

GL_Texture::GL_Texture(GL_ContextBase* context, int width, int height, int mipLevels, PixelFormat::Type format,
                       int usage)
    : m_context(context), m_width(width), m_height(height), m_mipLevels(mipLevels), m_usage(usage), m_format(format)
{
    create();
    if (m_context)
        m_context->addTexture(this);
}

GL_Texture::~GL_Texture()
{
    if (m_context)
        m_context->removeTexture(this);
    release();
}

void GL_Texture::restoreGL()
{
    create();
    m_restoring = true;
    for (const Shadow& s : m_shadows)
        setSurface(s.x, s.y, s.pixels.data(), s.width * PixelFormat(s.format).bytesPerPixel(), s.level, s.width,
                   s.height, s.format);
    m_restoring = false;
}

void GL_Texture::release()
{
    GL_StateCache& cache = GL_StateCache::get();
    cache.forgetTexture(m_texture);
    if (m_texture)
        glDeleteTextures(1, &m_texture);
    if (m_framebuffer)
        m_framebufferCalls.deleteFramebuffers(1, &m_framebuffer);
    if (m_depth)
        m_framebufferCalls.deleteRenderbuffers(1, &m_depth);
    m_texture = m_framebuffer = m_depth = 0;
}

void GL_Texture::logMissingFormat(PixelFormat format) const
{
    // The fixed-function kind words it its own way.
    if (m_context && m_context->kind() == Context::KIND_GL1)
        lang::log("Trying to create texture with undefined color format: %s\n", format.name());
    else
        lang::log("Trying to create texture with unsupported color format: %s\n", format.name());
}

void GL_Texture::create()
{
    release();
    const int largest = m_width > m_height ? m_width : m_height;
    const int chain = largest >= 2 ? static_cast<int>(std::floor(std::log2(static_cast<double>(largest)))) : 0;
    GLint maximum = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maximum);
    if (maximum < m_width || maximum < m_height)
        throw GraphicsException(lang::Format("Texture is too large: {0}x{1}, maximum supported size: {2}x{3}", m_width,
                                             m_height, maximum, maximum));
    glGenTextures(1, &m_texture);
    GL_StateCache& cache = GL_StateCache::get();
    cache.bindTexture(0, m_texture);
    m_minFilter = m_mipLevels == chain && chain > 0 ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, m_minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    GLenum format, type;
    if (!glFormat(m_format.type(), &format, &type)) {
        logMissingFormat(m_format);
    } else if (!m_format.isCompressed()) {
        for (int level = 0; level <= m_mipLevels; ++level) {
            const int w = m_width >> level > 1 ? m_width >> level : 1;
            const int h = m_height >> level > 1 ? m_height >> level : 1;
            glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(format), w, h, 0, format, type, nullptr);
        }
    }
    m_framebufferCalls = FramebufferCalls::choose();
    const FramebufferCalls& fb = m_framebufferCalls;
    if (isRenderTarget() && fb.complete()) {
        fb.genFramebuffers(1, &m_framebuffer);
        fb.bindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
        fb.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_texture, 0);
        fb.genRenderbuffers(1, &m_depth);
        fb.bindRenderbuffer(GL_RENDERBUFFER, m_depth);
        fb.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, m_width, m_height);
        fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        // A new target is magenta with zero alpha, so that an undrawn one is easy to see.
        const float magenta[4] = {1, 0, 1, 0};
        cache.setClearColor(magenta);
        glDisable(GL_SCISSOR_TEST);
        const bool depthMask = cache.depthMask();
        cache.setDepthMask(true);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        cache.setDepthMask(false);
        (void)depthMask;
        fb.bindFramebuffer(GL_FRAMEBUFFER, 0);
        fb.bindRenderbuffer(GL_RENDERBUFFER, 0);
    }
    cache.bindTexture(0, 0);
}

void GL_Texture::setSurface(int x, int y, const void* pixels, int pitch, int level, int width, int height,
                            PixelFormat::Type format)
{
    GL_StateCache& cache = GL_StateCache::get();
    cache.bindTexture(0, m_texture);
    GLenum glFormatValue, glType;
    if (PixelFormat(format).isCompressed()) {
        // No compression extension is used by this renderer: the upload has no GL format.
        logMissingFormat(format);
    } else if (glFormat(format, &glFormatValue, &glType)) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        const int bytes = PixelFormat(format).bytesPerPixel();
        if (m_context && m_context->restorable() && !m_restoring && bytes > 0 && width > 0 && height > 0) {
            Shadow shadow{x, y, level, width, height, format, {}};
            const size_t row = static_cast<size_t>(width) * static_cast<size_t>(bytes);
            shadow.pixels.resize(row * static_cast<size_t>(height));
            for (int r = 0; r < height; ++r)
                std::memcpy(&shadow.pixels[row * static_cast<size_t>(r)],
                            static_cast<const uint8_t*>(pixels) + static_cast<ptrdiff_t>(r) * pitch, row);
            m_shadows.push_back(std::move(shadow));
        }
        glPixelStorei(GL_UNPACK_ROW_LENGTH, bytes > 0 && pitch != width * bytes ? pitch / bytes : 0);
        glTexSubImage2D(GL_TEXTURE_2D, level, x, y, width, height, glFormatValue, glType, pixels);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    glFlush();
    cache.bindTexture(0, 0);
}

} // namespace gr
