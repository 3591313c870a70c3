#include "gr/gl/GL_ContextBase.h"

#include "gr/GraphicsException.h"
#include "gr/gl/GL_StateCache.h"
#include "gr/gl/GL_Texture.h"
#include "img/ImageReader.h"
#include "io/FileInputStream.h"
#include "lang/Debug.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <vector>

using lang::Format;

namespace gr {

namespace {

const char* glText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

} // namespace

GL_ContextBase::GL_ContextBase(SDL_Window* window) : m_window(window)
{
    // The pixel format: RGB 8/8/8, a depth buffer, no stencil, double buffered. No profile
    // is asked for: a legacy context keeps the fixed-function calls, and asking for a
    // compatibility profile fails on drivers below OpenGL 3.2.
    if (SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8) != 0 || SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8) != 0 ||
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8) != 0 || SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24) != 0 ||
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0) != 0 || SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1) != 0 ||
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0) != 0)
        throw GraphicsException(Format("SDL_GL_SetAttribute failed with error \"{0}\"", SDL_GetError()));
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL))
        throw GraphicsException(Format("SDL_CreateWindow failed with error \"{0}\"", "the window has no OpenGL surface"));
    m_glContext = SDL_GL_CreateContext(window);
    if (!m_glContext)
        throw GraphicsException(Format("SDL_GL_CreateContext failed with error \"{0}\"", SDL_GetError()));
    if (SDL_GL_MakeCurrent(window, m_glContext) != 0) {
        SDL_GL_DeleteContext(m_glContext);
        throw GraphicsException(Format("SDL_GL_MakeCurrent failed with error \"{0}\"", SDL_GetError()));
    }
    lang::log("Vendor: %s\nRenderer: %s\nVersion: %s\n", glText(GL_VENDOR), glText(GL_RENDERER), glText(GL_VERSION));
    GLenum status = glewInit();
    if (status != GLEW_OK) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(m_glContext);
        const char* reason = reinterpret_cast<const char*>(glewGetErrorString(status > 4 ? 4 : status));
        throw GraphicsException(Format("glewInit failed! Reason: {0}", reason));
    }
}

GL_ContextBase::~GL_ContextBase()
{
    SDL_GL_MakeCurrent(m_window, nullptr);
    SDL_GL_DeleteContext(m_glContext);
}

void GL_ContextBase::finishCreation(int orientation)
{
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(m_window, &width, &height);
    resize(width, height);
    setWindowSize(width, height);
    setOrientation(orientation);
    // Not every driver lets the interval be set (Xvfb doesn't): that costs nothing but tearing.
    SDL_GL_SetSwapInterval(1);
    glFrontFace(GL_CW);
    m_frontFaceClockwise = true;
    GL_StateCache::get().applyDefaults();
    int viewport[4];
    mapRect(this->viewport(), this->orientation(), width, height, viewport);
    GL_StateCache::get().setViewport(viewport);
}

void GL_ContextBase::applyViewport(const int rect[4])
{
    GL_StateCache::get().setViewport(rect);
}

void GL_ContextBase::applyScissor(const int rect[4])
{
    GL_StateCache::get().setScissor(rect);
}

void GL_ContextBase::present()
{
    flushBatch();
    SDL_GL_SwapWindow(m_window);
}

void GL_ContextBase::clear(uint32_t argb, bool colour, bool depth, bool stencil)
{
    flushBatch();
    GL_StateCache& cache = GL_StateCache::get();
    setScissor(drawState().clip);
    GLbitfield bits = 0;
    if (colour) {
        const float rgba[4] = {((argb >> 16) & 0xff) / 255.0f, ((argb >> 8) & 0xff) / 255.0f, (argb & 0xff) / 255.0f,
                               (argb >> 24) / 255.0f};
        cache.setClearColor(rgba);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if (depth) {
        cache.setDepthMask(true);
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (stencil)
        bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits)
        return;
    cache.setDepthMask(true);
    glClear(bits);
    ++m_statistics.clears;
    cache.setDepthMask(false);
}

lang::Ptr<Texture> GL_ContextBase::createTexture(int width, int height, int mipLevels, PixelFormat::Type format,
                                                int usage)
{
    const PixelFormat::Type stored = storedFormat(format);
    lang::Ptr<Texture> texture = new GL_Texture(this, width, height, mipLevels, stored, usage);
    ++m_statistics.texturesCreated;
    m_statistics.textureBytes += static_cast<int32_t>(PixelFormat::surfaceSize(stored, width, height));
    return texture;
}

lang::Ptr<Texture> GL_ContextBase::loadTexture(const lang::String& fileName)
{
    io::FileInputStream in(fileName);
    img::ImageReader reader(&in, img::ImageReader::fileType(fileName));
    lang::Ptr<Texture> texture =
        createTexture(reader.width(), reader.height(), reader.mipLevels() - 1, reader.format().type(), 0);
    texture->setName(fileName);
    const PixelFormat::Type format = texture->format().type();
    lang::log("Loading texture %s: %dx%d %s (as %s) mips: %d\n", fileName.c_str(), reader.width(), reader.height(),
              reader.format().name(), texture->format().name(), reader.mipLevels() - 1);
    for (int level = 0; level < reader.mipLevels(); ++level) {
        const int w = reader.width() >> level > 1 ? reader.width() >> level : 1;
        const int h = reader.height() >> level > 1 ? reader.height() >> level : 1;
        const int64_t pitch = PixelFormat::rowPitch(format, w);
        std::vector<uint8_t> buffer(static_cast<size_t>(std::max<int64_t>(pitch * h, PixelFormat::surfaceSize(format, w, h))));
        reader.readSurface(buffer.data(), static_cast<int>(pitch), format);
        texture->setSurface(0, 0, buffer.data(), static_cast<int>(pitch), level, w, h, format);
        if (level > 0)
            m_statistics.textureBytes += static_cast<int32_t>(PixelFormat::surfaceSize(format, w, h));
    }
    return texture;
}

void GL_ContextBase::flipFrontFace()
{
    flushBatch();
    m_frontFaceClockwise = !m_frontFaceClockwise;
    glFrontFace(m_frontFaceClockwise ? GL_CW : GL_CCW);
}

} // namespace gr
