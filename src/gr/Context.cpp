#include "gr/Context.h"

#include "gr/GraphicsException.h"
#include "io/PathName.h"
#include "lang/Debug.h"

#include <cmath>
#include <exception>
#include <cstring>
#include <memory>

namespace gr {

namespace {

const char* const kNames[] = {"DirectX", "OpenGL ES 1.1", "Playstation Portable", "Software Renderer",
                              "Nokia N3D", "OpenGL ES 2.0", "OpenGL 1.4", "OpenGL 2.0"};
const char* const kShortNames[] = {"dx", "egl", "psp", "sw", "n3d", "gles2", "gl1", "gl2"};

void identity(float* m, int rows)
{
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 4; ++c)
            m[r * 4 + c] = r == c ? 1.0f : 0.0f;
}

/// out = a * b for 4x4 matrices in storage order (rows of four).
void multiply(const float* a, const float* b, float* out)
{
    float result[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[r * 4 + k] * b[k * 4 + c];
            result[r * 4 + c] = sum;
        }
    std::memcpy(out, result, sizeof(result));
}

} // namespace

const char* Context::rendererName(int kind)
{
    return kind >= 0 && kind < KIND_COUNT ? kNames[kind] : "";
}

const char* Context::rendererShortName(int kind)
{
    return kind >= 0 && kind < KIND_COUNT ? kShortNames[kind] : "";
}

Context::Context()
{
    identity(m_transform, 4);
    identity(m_viewTransform, 3);
}

void Context::mapRect(const Rect& r, int orientation, int W, int H, int out[4])
{
    switch (orientation) {
    case 1:
        out[0] = W - r.y1, out[1] = H - r.x1, out[2] = r.y1 - r.y0, out[3] = r.x1 - r.x0;
        break;
    case 2:
        out[0] = W - r.x1, out[1] = r.y0, out[2] = r.x1 - r.x0, out[3] = r.y1 - r.y0;
        break;
    case 3:
        out[0] = r.y0, out[1] = r.x0, out[2] = r.y1 - r.y0, out[3] = r.x1 - r.x0;
        break;
    default:
        out[0] = r.x0, out[1] = H - r.y1, out[2] = r.x1 - r.x0, out[3] = r.y1 - r.y0;
        break;
    }
}

void Context::mapToGL(const Rect& rect, int out[4]) const
{
    if (int target = renderTargetHeight()) {
        out[0] = rect.x0, out[1] = target - rect.y1, out[2] = rect.x1 - rect.x0, out[3] = rect.y1 - rect.y0;
        return;
    }
    mapRect(rect, m_orientation, m_surfaceWidth, m_surfaceHeight, out);
}

void Context::setViewport(const Rect& rect)
{
    flushBatch();
    m_viewport = rect;
    int gl[4];
    mapToGL(rect, gl);
    applyViewport(gl);
}

void Context::setScissor(const Rect& rect)
{
    int gl[4];
    mapToGL(rect, gl);
    if (gl[2] < 0)
        gl[2] = 0;
    if (gl[3] < 0)
        gl[3] = 0;
    applyScissor(gl);
}

void Context::setWindowSize(int width, int height)
{
    m_windowWidth = width;
    m_windowHeight = height;
}

void Context::resize(int width, int height)
{
    if (width == m_surfaceWidth && height == m_surfaceHeight)
        return;
    m_surfaceWidth = width;
    m_surfaceHeight = height;
    setViewport(Rect{0, 0, this->width(), this->height()});
}

void Context::setOrientation(int orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    setViewport(Rect{0, 0, width(), height()});
}

void Context::setTransform(const float matrix[16])
{
    // A quarter turn of the screen turns the picture the other way round the z axis.
    static const float kSin[] = {0, -1, 0, 1};
    static const float kCos[] = {1, 0, -1, 0};
    const int o = m_orientation & 3;
    // Only a target made to be drawn unrotated keeps the matrix as given; other targets
    // turn with the screen.
    const bool unrotated = m_renderTarget && (m_renderTarget->usage() & Texture::USAGE_UNROTATED_TARGET);
    if (o == 0 || unrotated) {
        std::memcpy(m_transform, matrix, sizeof(m_transform));
        return;
    }
    const float rotation[16] = {kCos[o], -kSin[o], 0, 0, kSin[o], kCos[o], 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    multiply(rotation, matrix, m_transform);
}

void Context::resetTransform()
{
    float m[16];
    identity(m, 4);
    setTransform(m);
}

void Context::setPerspective(float fov, float zNear, float zFar, float aspect)
{
    const float f = std::fabs(1.0f / std::tan(fov * 0.5f));
    const float q = zFar / (zFar - zNear);
    const float m[16] = {f, 0, 0, 0, 0, f * aspect, 0, 0, 0, 0, q, -zNear * q, 0, 0, 1, 0};
    setTransform(m);
}

PixelFormat::Type Context::storedFormat(PixelFormat::Type format)
{
    switch (format) {
    case PixelFormat::R8G8B8: return PixelFormat::B8G8R8;
    case PixelFormat::A8R8G8B8:
    case PixelFormat::P8: return PixelFormat::A8B8G8R8;
    default: return format;
    }
}

lang::Ptr<Texture> Context::createTexture(int, int, int, PixelFormat::Type, int)
{
    throw GraphicsException(lang::Format("Textures are not supported by the {0} renderer", rendererName(kind())));
}

lang::Ptr<Texture> Context::loadTextureFile(const lang::String& fileName, bool asImage)
{
    if (!m_imageOpener)
        throw GraphicsException(lang::Format("Textures ({0}) are not supported by the {1} renderer", fileName,
                                             rendererName(kind())));
    std::unique_ptr<ImageSource> source = m_imageOpener(fileName);
    lang::Ptr<Texture> texture =
        createTexture(source->width(), source->height(), source->mipLevels() - 1, source->format().type(), 0);
    texture->setName(fileName);
    // The surfaces are read in the format the texture stores, so the backend uploads them as they are.
    const PixelFormat::Type format = texture->format().type();
    if (asImage)
        lang::log("Loading image %s: %dx%d %s (as %dx%d %s) mips: %d\n", fileName.c_str(), source->width(),
                  source->height(), source->format().name(), texture->width(), texture->height(),
                  texture->format().name(), source->mipLevels() - 1);
    else
        lang::log("Loading texture %s: %dx%d %s (as %s) mips: %d\n", fileName.c_str(), source->width(),
                  source->height(), source->format().name(), texture->format().name(), source->mipLevels() - 1);
    for (int level = 0; level < source->mipLevels(); ++level) {
        const int w = source->width() >> level > 1 ? source->width() >> level : 1;
        const int h = source->height() >> level > 1 ? source->height() >> level : 1;
        int heldPitch = 0;
        if (const void* held = source->surfaceAsHeld(format, &heldPitch)) {
            texture->setSurface(0, 0, held, heldPitch, level, w, h, format);
        } else {
            // Every byte is written by the read: the buffer needs no clearing first.
            const int64_t pitch = PixelFormat::rowPitch(format, w);
            const size_t size = static_cast<size_t>(std::max<int64_t>(pitch * h, PixelFormat::surfaceSize(format, w, h)));
            std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
            source->readSurface(buffer.get(), static_cast<int>(pitch), format);
            texture->setSurface(0, 0, buffer.get(), static_cast<int>(pitch), level, w, h, format);
        }
        if (level > 0)
            Statistics::addBytes(m_statistics.textureBytes, PixelFormat::surfaceSize(format, w, h));
    }
    return texture;
}

lang::Ptr<Shader> Context::getShader(const lang::String& name, int flags)
{
    const lang::String base = io::PathName(name).basename();
    lang::Ptr<Shader> shader;
    if (lang::Ptr<Shader>* cached = m_shaderCache.find(base)) {
        shader = (*cached)->clone();
    } else {
        shader = loadShader(name + ".fx", flags);
        m_shaderCache[base] = shader;
    }
    m_handedOut.add(shader);
    return shader;
}

void Context::setRenderTarget(Texture* target)
{
    flushBatch();
    bindRenderTarget(target);
    m_renderTarget = target;
    if (target)
        setViewport(Rect{0, 0, target->width(), target->height()});
    else
        setViewport(Rect{0, 0, width(), height()});
}

lang::Ptr<Primitive> Context::createPrimitive(Primitive::Type type, const VertexFormat& format, int maxVertices,
                                            int maxIndices)
{
    // GL reads attribute arrays fastest, and some drivers only, at 4-byte aligned strides.
    VertexFormat aligned = format;
    aligned.setComponentAlignment(4);
    lang::Ptr<Primitive> primitive = new Primitive(type);
    primitive->allocate(aligned, maxVertices, maxIndices);
    primitive->setContext(this);
    return primitive;
}

void Context::drawPrimitive(Primitive& primitive)
{
    flushBatch();
    const Shader* shader = primitive.shader();
    const int mode = shader ? shader->sortMode() : 0;
    if (mode != 0 && primitive.primitiveType() == Primitive::TRIANGLES) {
        const float* bones = m_sortBones.empty() ? nullptr : m_sortBones.data();
        primitive.sortTriangles(mode, m_sortCamera, m_sortWorld, bones, static_cast<int>(m_sortBones.size() / 16));
    }
    renderPrimitive(primitive);
}

lang::Ptr<Primitive> Context::getDynamicPrimitive(Primitive::Type type, const VertexFormat& format, int vertices,
                                                  int indices)
{
    for (const lang::Ptr<Primitive>& cached : m_dynamicPrimitives)
        if (cached->primitiveType() == type && cached->vertexFormat() == format && cached->maxVertices() >= vertices &&
            cached->maxIndices() >= indices)
            return cached;
    // A larger one replaces those of its kind that no longer fit: a batch that grows a
    // little every frame would otherwise leave a trail of smaller ones in the cache.
    int maxVertices = (vertices + 31) & ~31, maxIndices = (indices + 31) & ~31;
    lang::Array<lang::Ptr<Primitive>> kept;
    for (const lang::Ptr<Primitive>& cached : m_dynamicPrimitives) {
        if (cached->primitiveType() == type && cached->vertexFormat() == format) {
            maxVertices = std::max(maxVertices, cached->maxVertices());
            maxIndices = std::max(maxIndices, cached->maxIndices());
        } else {
            kept.add(cached);
        }
    }
    m_dynamicPrimitives = kept;
    lang::Ptr<Primitive> primitive = createPrimitive(type, format, maxVertices, maxIndices);
    m_dynamicPrimitives.add(primitive);
    return primitive;
}

lang::Ptr<Texture> Context::loadCubeTexture(const lang::String&)
{
    throw GraphicsException(lang::Format("Cube textures not supported"));
}

void Context::reloadShaders()
{
    flushBatch();
    std::exception_ptr first;
    for (const lang::Ptr<Shader>& shader : m_handedOut) {
        try {
            shader->reload();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    }
    if (first)
        std::rethrow_exception(first);
}

void Context::releaseContext()
{
    lang::log("Before release:\n");
    lang::log("After release:\n");
}

void Context::resumeContext()
{
    lang::log("resumeContext\n");
}

void Context::releaseObjects()
{
    m_dynamicPrimitives.clear();
    m_renderTarget = nullptr;
    m_batch.clear();
    m_shaderCache.clear();
    m_handedOut.clear();
}

lang::Ptr<Shader> Context::loadShader(const lang::String& path, int)
{
    throw GraphicsException(lang::Format("Shader template {0} not found", io::PathName(path).basename()));
}

void Context::setViewTransform(const float matrix[12])
{
    std::memcpy(m_viewTransform, matrix, sizeof(m_viewTransform));
}

} // namespace gr
