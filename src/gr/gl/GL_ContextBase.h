#pragma once

#include "gr/Context.h"

#include <vector>

struct SDL_Window;

namespace gr {

class GL_Texture;

/// What both OpenGL kinds share: the GL context on the SDL window, the extension loader,
/// viewport and scissor through the state cache, clearing and presenting.
class GL_ContextBase : public Context
{
public:
    /// Sets the attributes SDL makes a window's pixel format and every GL context from: RGB
    /// 8/8/8, a 24-bit depth buffer, no stencil, double buffered, no profile. Call it before
    /// the window is made, since X11 picks the visual then. False when SDL refused one
    /// (SDL_GetError says why).
    static bool setWindowAttributes();

    ~GL_ContextBase() override;

    void present() override;
    bool readPixels(std::vector<uint8_t>* rgba) override;
    void textureMemory(int* count, int64_t* bytes) const override;
    void clear(uint32_t argb, bool colour, bool depth, bool stencil) override;
    void flipFrontFace() override;
    /// Swap interval 1 or 0, where the driver lets it be set.
    void setVsync(bool on) override;
    lang::Ptr<Texture> createTexture(int width, int height, int mipLevels, PixelFormat::Type format, int usage) override;

protected:
    /// Creates and makes current a GL context on window (made after setWindowAttributes),
    /// logs the vendor, renderer and version, and starts the extension loader. Throws
    /// GraphicsException.
    explicit GL_ContextBase(SDL_Window* window);

    /// The last creation steps: the surface and window size from the drawable, the
    /// orientation, swap interval 1 where it can be had, front face and default state.
    void finishCreation(int orientation);

    void applyViewport(const int rect[4]) override;
    void bindRenderTarget(Texture* target) override;
    /// The 2D batch through the effect shaders of the shader directory.
    void drawBatch(Batch2D& batch) override;
    /// The 2D batch through the fixed-function pipeline.
    void drawBatchFixedFunction(Batch2D& batch);
    /// Where a batch's arrays are read from in its draw: offsets into the streamed vertex
    /// buffer while it is bound, or the batch's own memory without buffer objects.
    struct BatchArrays
    {
        const void* positions = nullptr;
        const void* texCoords = nullptr; ///< meaningful only when the batch has them
        const void* colours = nullptr;   ///< meaningful only when colours are given
    };
    /// Puts the batch's arrays, with colours in place of its own, where the draw reads them.
    BatchArrays streamBatch(const Batch2D& batch, const std::vector<uint8_t>& colours);
    /// Draws the streamed batch with the arrays bound: quads through the shared indices,
    /// lines as they are; counts the draw.
    void drawBatchVertices(const Batch2D& batch);
    /// Unbinds the streamed buffer: other draws read client memory.
    void endBatchArrays();
    /// A primitive's arrays as the attributes of its shader's current program.
    void renderPrimitive(Primitive& primitive) override;
    /// A primitive's positions, normals, colours and first texture coordinates as
    /// fixed-function client arrays.
    void renderPrimitiveFixedFunction(Primitive& primitive);
    /// Draws the bound arrays by the primitive's ranges and counts the draw.
    void drawPrimitiveRanges(const Primitive& primitive);
    void applyScissor(const int rect[4]) override;

public:
    /// Every live texture, for releaseContext and resumeContext; textures add and remove
    /// themselves.
    void addTexture(GL_Texture* texture) { m_textures.push_back(texture); }
    void removeTexture(GL_Texture* texture);

    void releaseContext() override;
    void resumeContext() override;

protected:
    SDL_Window* m_window;
    std::vector<GL_Texture*> m_textures;
    /// The batch's shaders, asked for once each: the batch flushes many times a frame.
    lang::Hashtable<lang::String, lang::Ptr<Shader>> m_batchShaders;
    /// The 2D batch's vertex buffer, its store replaced at each flush, and the quads'
    /// shared index buffer; 0 where the context has no buffer objects (below OpenGL 1.5),
    /// which then draws from client memory with m_quadIndices.
    unsigned int m_batchVertexBuffer = 0;
    unsigned int m_batchIndexBuffer = 0;
    std::vector<uint16_t> m_quadIndices;
    void* m_glContext = nullptr;
    int m_scissor[4] = {}; ///< the scissor rectangle last applied, in GL's pixels

    /// Whether the window's depth buffer holds only the clear value since it was last cleared
    /// whole, and the size it had then. A 2D game never writes depth, and clearing it every
    /// frame is a pass over every pixel. Render targets' depth is always cleared: a new target
    /// may reuse an old one's address.
    struct CleanDepth
    {
        bool known = false;
        int width = 0, height = 0;
    } m_cleanDepth;

    /// Whether the scissor rectangle last applied covers the bound framebuffer whole.
    bool scissorCoversTarget() const;
};

} // namespace gr
