#include "gr/gl/GL_ContextBase.h"

#include "gr/GraphicsException.h"
#include "gr/gl/GL_Shader.h"
#include "gr/gl/GL_StateCache.h"
#include "gr/gl/GL_Texture.h"
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

bool GL_ContextBase::setWindowAttributes()
{
    // No profile is asked for: a legacy context keeps the fixed-function calls, and asking
    // for a compatibility profile fails on drivers below OpenGL 3.2.
    return SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8) == 0 && SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8) == 0 &&
           SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8) == 0 && SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24) == 0 &&
           SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0) == 0 && SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1) == 0 &&
           SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0) == 0;
}

GL_ContextBase::GL_ContextBase(SDL_Window* window) : m_window(window)
{
    // The attributes were set before the window was made (setWindowAttributes) and SDL
    // still holds them: the context is made from the same ones.
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
    // GL objects go while their context is still current.
    for (GL_Texture* texture : m_textures)
        texture->detach();
    m_batchShaders.clear();
    releaseObjects();
    if (m_batchVertexBuffer)
        glDeleteBuffers(1, &m_batchVertexBuffer);
    if (m_batchIndexBuffer)
        glDeleteBuffers(1, &m_batchIndexBuffer);
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
    // The quads' indices never change: made once, in a buffer object where there are any.
    m_quadIndices = Batch2D::quadIndices(Batch2D::MAX_QUADS);
    if (GLEW_VERSION_1_5) {
        glGenBuffers(1, &m_batchVertexBuffer);
        glGenBuffers(1, &m_batchIndexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_batchIndexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_quadIndices.size() * sizeof(uint16_t)),
                     m_quadIndices.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        std::vector<uint16_t>().swap(m_quadIndices);
    }
    int viewport[4];
    mapRect(this->viewport(), this->orientation(), width, height, viewport);
    GL_StateCache::get().setViewport(viewport);
}

void GL_ContextBase::setVsync(bool on)
{
    Context::setVsync(on);
    SDL_GL_SetSwapInterval(on ? 1 : 0);
}

void GL_ContextBase::applyViewport(const int rect[4])
{
    GL_StateCache::get().setViewport(rect);
}

void GL_ContextBase::applyScissor(const int rect[4])
{
    std::copy(rect, rect + 4, m_scissor);
    GL_StateCache::get().setScissor(rect);
}

bool GL_ContextBase::scissorCoversTarget() const
{
    // GL's pixels are the surface's, before the orientation turns them.
    const Texture* target = renderTarget();
    const bool turned = orientation() & 1;
    const int across = target ? target->width() : (turned ? height() : width());
    const int down = target ? target->height() : (turned ? width() : height());
    return m_scissor[0] <= 0 && m_scissor[1] <= 0 && m_scissor[0] + m_scissor[2] >= across &&
           m_scissor[1] + m_scissor[3] >= down;
}

void GL_ContextBase::bindRenderTarget(Texture* target)
{
    const GLuint framebuffer = target ? static_cast<GL_Texture*>(target)->framebuffer() : 0;
    if (glBindFramebuffer)
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    else if (glBindFramebufferEXT)
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
}

void GL_ContextBase::present()
{
    flushBatch();
    SDL_GL_SwapWindow(m_window);
}

bool GL_ContextBase::readPixels(std::vector<uint8_t>* rgba)
{
    flushBatch();
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return false;
    std::vector<uint8_t> bottomUp(static_cast<size_t>(w) * h * 4);
    // Rows of any width come back packed; the default alignment of 4 is met by RGBA anyway.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!renderTarget())
        glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba->resize(bottomUp.size());
    const size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h; ++y)
        std::copy(bottomUp.begin() + (h - 1 - y) * row, bottomUp.begin() + (h - y) * row, rgba->begin() + y * row);
    return true;
}

void GL_ContextBase::textureMemory(int* count, int64_t* bytes) const
{
    *count = static_cast<int>(m_textures.size());
    *bytes = 0;
    for (const GL_Texture* texture : m_textures)
        *bytes += PixelFormat::surfaceSize(texture->format().type(), texture->width(), texture->height());
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
    // The size is part of the record: a resized window's depth buffer is a new one.
    const CleanDepth window{true, width(), height()};
    const bool depthClean = !renderTarget() && m_cleanDepth.known && !cache.depthWritesPossible() &&
                            m_cleanDepth.width == window.width && m_cleanDepth.height == window.height;
    if (depth && !depthClean)
        bits |= GL_DEPTH_BUFFER_BIT;
    if (stencil)
        bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits) {
        if (colour || depth || stencil)
            ++m_statistics.clears; // asked for and already true
        return;
    }
    cache.setDepthMask(true);
    glClear(bits);
    ++m_statistics.clears;
    cache.setDepthMask(false);
    if (bits & GL_DEPTH_BUFFER_BIT) {
        // A render target's clear says nothing about the window's depth; a draw since the
        // window's own clear is already in the record, which this keeps.
        if (!renderTarget()) {
            m_cleanDepth = scissorCoversTarget() ? window : CleanDepth();
            cache.forgetDepthWrites();
        }
    }
}

lang::Ptr<Texture> GL_ContextBase::createTexture(int width, int height, int mipLevels, PixelFormat::Type format,
                                                int usage)
{
    const PixelFormat::Type stored = storedFormat(format);
    lang::Ptr<Texture> texture = new GL_Texture(this, width, height, mipLevels, stored, usage);
    ++m_statistics.texturesCreated;
    Statistics::addBytes(m_statistics.textureBytes, PixelFormat::surfaceSize(stored, width, height));
    return texture;
}

GL_ContextBase::BatchArrays GL_ContextBase::streamBatch(const Batch2D& batch, const std::vector<uint8_t>& colours)
{
    BatchArrays arrays;
    if (!m_batchVertexBuffer) {
        arrays.positions = batch.positions.data();
        arrays.texCoords = batch.texCoords.data();
        arrays.colours = colours.data();
        return arrays;
    }
    const size_t positionBytes = batch.positions.size() * sizeof(float);
    const size_t texBytes = batch.texCoords.size() * sizeof(float);
    glBindBuffer(GL_ARRAY_BUFFER, m_batchVertexBuffer);
    // A new store for every flush: the driver need not wait for the draw still reading the last.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(positionBytes + texBytes + colours.size()), nullptr,
                 GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(positionBytes), batch.positions.data());
    if (texBytes)
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(positionBytes), static_cast<GLsizeiptr>(texBytes),
                        batch.texCoords.data());
    if (!colours.empty())
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(positionBytes + texBytes),
                        static_cast<GLsizeiptr>(colours.size()), colours.data());
    arrays.positions = nullptr;
    arrays.texCoords = reinterpret_cast<const void*>(positionBytes);
    arrays.colours = reinterpret_cast<const void*>(positionBytes + texBytes);
    return arrays;
}

void GL_ContextBase::drawBatchVertices(const Batch2D& batch)
{
    const int count = batch.vertexCount();
    if (batch.mode == Batch2D::LINES) {
        glDrawArrays(GL_LINES, 0, count);
    } else {
        const GLsizei indices = count / 4 * 6;
        if (m_batchIndexBuffer) {
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_batchIndexBuffer);
            glDrawElements(GL_TRIANGLES, indices, GL_UNSIGNED_SHORT, nullptr);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        } else {
            glDrawElements(GL_TRIANGLES, indices, GL_UNSIGNED_SHORT, m_quadIndices.data());
        }
        m_statistics.triangles += count / 4 * 2;
    }
    m_statistics.vertices += count;
    ++m_statistics.drawCalls;
}

void GL_ContextBase::endBatchArrays()
{
    if (m_batchVertexBuffer)
        glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void GL_ContextBase::drawBatch(Batch2D& batch)
{
    lang::Ptr<Shader>* cached = m_batchShaders.find(batch.shaderName);
    if (!cached) {
        m_batchShaders[batch.shaderName] = getShader(shaderPath() + batch.shaderName, 0);
        cached = m_batchShaders.find(batch.shaderName);
    }
    auto* shader = static_cast<GL_Shader*>(cached->ptr());

    shader->setFloat("ALPHA_FACTOR", batch.state.alpha);
    if (batch.texture)
        shader->setTextureParam("BASEMAP", batch.texture.ptr());
    if (batch.mode == Batch2D::LINES)
        GL_StateCache::get().setLineWidth(batch.lineWidth);
    const int passes = shader->begin();
    shader->setMatrixById(Shader::ID_PROJTM, transform());
    const BatchArrays arrays = streamBatch(batch, batch.colours);
    for (int pass = 0; pass < passes; ++pass) {
        shader->beginPass(pass);
        if (const GL_Program* program = shader->currentProgram()) {
            // Position, texture coordinates and colour, as far as the pass's program reads them.
            const struct
            {
                int type;
                GLint components;
                GLenum glType;
                GLboolean normalised;
                bool given;
                const void* array;
            } attributes[3] = {{DT_POSITION, 3, GL_FLOAT, GL_FALSE, true, arrays.positions},
                               {DT_TEX0, 2, GL_FLOAT, GL_FALSE, !batch.texCoords.empty(), arrays.texCoords},
                               {DT_DIFFUSE, 4, GL_UNSIGNED_BYTE, GL_TRUE, !batch.colours.empty(), arrays.colours}};
            GLint enabled[3] = {-1, -1, -1};
            for (int i = 0; i < 3; ++i) {
                const GLint location = program->attribute(attributes[i].type);
                if (location < 0 || !attributes[i].given)
                    continue;
                glEnableVertexAttribArray(static_cast<GLuint>(location));
                glVertexAttribPointer(static_cast<GLuint>(location), attributes[i].components, attributes[i].glType,
                                      attributes[i].normalised, 0, attributes[i].array);
                enabled[i] = location;
            }
            drawBatchVertices(batch);
            for (GLint location : enabled)
                if (location >= 0)
                    glDisableVertexAttribArray(static_cast<GLuint>(location));
        }
        shader->endPass();
    }
    endBatchArrays();
    shader->end();
    if (batch.mode == Batch2D::TEXTURED)
        ++m_statistics.imageBatches;
}

void GL_ContextBase::drawBatchFixedFunction(Batch2D& batch)
{
    GL_StateCache& cache = GL_StateCache::get();
    // The templates of the fallback: sprites and plain quads, no depth, no culling, no
    // lighting nor second map left over from a template pass.
    const bool alpha = batch.shaderName.endsWith("-alpha");
    glDisable(GL_LIGHTING);
    cache.bindTexture(1, 0);
    cache.setActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    cache.setActiveTexture(GL_TEXTURE0);
    cache.setCull(false, GL_BACK);
    cache.setDepthTest(false, GL_LESS);
    cache.setDepthMask(false);
    if (batch.texture) {
        // "sprite-alpha" blends premultiplied colours; "sprite" does not blend.
        cache.setBlend(alpha, GL_FUNC_ADD, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        cache.bindTexture(0, static_cast<GL_Texture*>(batch.texture.ptr())->glTexture());
        glEnable(GL_TEXTURE_2D);
        // Premultiplied blending takes the alpha factor on every channel.
        const float a = batch.state.alpha;
        if (alpha)
            glColor4f(a, a, a, a);
        else
            glColor4f(1, 1, 1, a);
    } else {
        cache.setBlend(alpha, GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_TEXTURE_2D);
    }
    if (batch.mode == Batch2D::LINES)
        cache.setLineWidth(batch.lineWidth);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadTransposeMatrixf(transform());
    std::vector<uint8_t> faded;
    if (batch.state.alpha != 1.0f && !batch.colours.empty()) {
        // No shader multiplies by the alpha factor here: the colours carry it.
        faded = batch.colours;
        for (size_t i = 3; i < faded.size(); i += 4)
            faded[i] = static_cast<uint8_t>(faded[i] * batch.state.alpha);
    }
    const std::vector<uint8_t>& colours = faded.empty() ? batch.colours : faded;
    const BatchArrays arrays = streamBatch(batch, colours);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, arrays.positions);
    if (!colours.empty()) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, arrays.colours);
    }
    if (!batch.texCoords.empty()) {
        glClientActiveTexture(GL_TEXTURE0);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, arrays.texCoords);
    }
    drawBatchVertices(batch);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    endBatchArrays();
    glDisable(GL_TEXTURE_2D);
}

namespace {

/// How GL reads one element of a data format: components, type, normalised; false when it can't.
bool attributeLayout(int type, VertexDataFormat format, GLint* components, GLenum* glType, GLboolean* normalised)
{
    *components = VertexFormat::formatComponents(format);
    if (format == DF_NONE || format == DF_V4_5)
        return false;
    const bool half = format == DF_V2_16F || format == DF_V3_16F || format == DF_V4_16F;
    switch (VertexFormat::formatSize(format) / *components) {
    case 1:
        *glType = type == DT_DIFFUSE ? GL_UNSIGNED_BYTE : GL_BYTE;
        *normalised = GL_TRUE;
        return true;
    case 2:
        *glType = half ? GL_HALF_FLOAT : GL_SHORT;
        *normalised = GL_FALSE;
        return true;
    default:
        *glType = GL_FLOAT;
        *normalised = GL_FALSE;
        return true;
    }
}

const GLenum kPrimitiveModes[] = {GL_POINTS, GL_LINES, GL_LINE_STRIP, GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};

} // namespace

void GL_ContextBase::renderPrimitive(Primitive& primitive)
{
    const auto* shader = dynamic_cast<const GL_Shader*>(primitive.shader());
    const GL_Program* program = shader ? shader->currentProgram() : nullptr;
    if (!program)
        return; // nothing would say where the vertices go
    std::vector<GLuint> enabled;
    for (int type = 0; type < DT_COUNT; ++type) {
        const GLint location = type < 12 ? program->attribute(type) : -1;
        int stride = 0;
        const uint8_t* array = primitive.vertexArray(type, &stride);
        GLint components;
        GLenum glType;
        GLboolean normalised;
        if (location < 0 || !array ||
            !attributeLayout(type, primitive.vertexFormat().format(type), &components, &glType, &normalised))
            continue;
        glEnableVertexAttribArray(static_cast<GLuint>(location));
        glVertexAttribPointer(static_cast<GLuint>(location), components, glType, normalised, stride, array);
        enabled.push_back(static_cast<GLuint>(location));
    }
    drawPrimitiveRanges(primitive);
    for (GLuint location : enabled)
        glDisableVertexAttribArray(location);
}

void GL_ContextBase::renderPrimitiveFixedFunction(Primitive& primitive)
{
    int stride = 0;
    GLint components;
    GLenum glType;
    GLboolean normalised;
    const VertexFormat& format = primitive.vertexFormat();
    const uint8_t* positions = primitive.vertexArray(DT_POSITION, &stride);
    if (!positions || !attributeLayout(DT_POSITION, format.format(DT_POSITION), &components, &glType, &normalised) ||
        glType == GL_BYTE || glType == GL_HALF_FLOAT || components < 2)
        return; // the fixed-function pipeline reads no such positions
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(components, glType, stride, positions);
    if (const uint8_t* colours = primitive.vertexArray(DT_DIFFUSE, &stride)) {
        if (attributeLayout(DT_DIFFUSE, format.format(DT_DIFFUSE), &components, &glType, &normalised) &&
            components >= 3 && glType != GL_HALF_FLOAT) {
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(components, glType, stride, colours);
        }
    }
    if (const uint8_t* normals = primitive.vertexArray(DT_NORMAL, &stride)) {
        if (attributeLayout(DT_NORMAL, format.format(DT_NORMAL), &components, &glType, &normalised) && components == 3 &&
            glType != GL_HALF_FLOAT) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(glType, stride, normals);
        }
    }
    for (int set = 0; set < 4; ++set) {
        const int type = DT_TEX0 + set;
        const uint8_t* tex = primitive.vertexArray(type, &stride);
        if (tex && attributeLayout(type, format.format(type), &components, &glType, &normalised) && glType != GL_BYTE &&
            glType != GL_HALF_FLOAT) {
            glClientActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(set));
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(components, glType, stride, tex);
        }
    }
    drawPrimitiveRanges(primitive);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    for (int set = 3; set >= 0; --set) {
        glClientActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(set));
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

void GL_ContextBase::drawPrimitiveRanges(const Primitive& primitive)
{
    // GL reads client arrays unchecked: ranges and indices stay inside what was allocated.
    const GLenum mode = kPrimitiveModes[primitive.primitiveType()];
    if (primitive.maxIndices() > 0) {
        const int begin = std::clamp(primitive.indexBegin(), 0, primitive.maxIndices());
        const int count = std::clamp(primitive.indexEnd(), begin, primitive.maxIndices()) - begin;
        const uint16_t* indices = primitive.indexArray() + begin;
        if (std::any_of(indices, indices + count, [&](uint16_t i) { return i >= primitive.maxVertices(); })) {
            lang::log("Primitive not drawn: an index lies beyond its %d vertices\n", primitive.maxVertices());
            return;
        }
        glDrawElements(mode, count, GL_UNSIGNED_SHORT, indices);
        m_statistics.vertices += primitive.vertexEnd() - primitive.vertexBegin();
        m_statistics.triangles += count / 3;
    } else {
        const int begin = std::clamp(primitive.vertexBegin(), 0, primitive.maxVertices());
        const int count = std::clamp(primitive.vertexEnd(), begin, primitive.maxVertices()) - begin;
        glDrawArrays(mode, begin, count);
        m_statistics.vertices += count;
        const Primitive::Type type = primitive.primitiveType();
        m_statistics.triangles += type == Primitive::TRIANGLES ? count / 3
                                  : type >= Primitive::TRIANGLE_STRIP ? std::max(0, count - 2) : 0;
    }
    ++m_statistics.drawCalls;
}

void GL_ContextBase::removeTexture(GL_Texture* texture)
{
    m_textures.erase(std::remove(m_textures.begin(), m_textures.end(), texture), m_textures.end());
}

void GL_ContextBase::releaseContext()
{
    lang::log("Before release:\n");
    if (m_restorable) {
        flushBatch();
        GL_StateCache& cache = GL_StateCache::get();
        for (int unit = 7; unit >= 0; --unit)
            cache.bindTexture(unit, 0);
        for (GL_Texture* texture : m_textures)
            texture->releaseGL();
        glFinish();
    }
    lang::log("After release:\n");
}

void GL_ContextBase::resumeContext()
{
    lang::log("resumeContext\n");
    m_cleanDepth = CleanDepth(); // the surface may be a new one
    if (m_restorable) {
        for (GL_Texture* texture : m_textures)
            texture->restoreGL();
        glFinish();
    }
}

void GL_ContextBase::flipFrontFace()
{
    flushBatch();
    m_frontFaceClockwise = !m_frontFaceClockwise;
    glFrontFace(m_frontFaceClockwise ? GL_CW : GL_CCW);
}

} // namespace gr
