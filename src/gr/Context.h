#pragma once

#include "gr/Batch2D.h"
#include "gr/DrawState.h"
#include "gr/Image.h"
#include "gr/ImageSource.h"
#include "gr/Palette.h"
#include "gr/PixelFormat.h"
#include "gr/Primitive.h"
#include "gr/Shader.h"
#include "lang/Hashtable.h"
#include "gr/Texture.h"
#include "lang/Ptr.h"
#include "lang/Object.h"
#include "lang/String.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace gr {

/// The one object through which the engine draws: viewport, scissor, orientation,
/// transforms, the 2D drawing state, clearing and presenting.
///
/// The portable logic (orientation mapping, stored state) lives here; the OpenGL kinds
/// (GL_Context, kind 7, and GL1_Context, kind 6) make the API calls. Main thread only.
class Context : public lang::Object
{
public:
    /// Renderer kinds; only KIND_GL1 and KIND_GL2 can be created on this platform.
    enum Kind { KIND_DX, KIND_EGL, KIND_PSP, KIND_SW, KIND_N3D, KIND_GLES2, KIND_GL1, KIND_GL2, KIND_COUNT };

    /// The display name of a kind ("OpenGL 2.0"), or "" for an unknown kind.
    static const char* rendererName(int kind);
    /// The short name of a kind in config.lua ("gl2"), or "" for an unknown kind.
    static const char* rendererShortName(int kind);
    /// True for the OpenGL family: ES 1.1, ES 2.0, 1.4 and 2.0.
    static bool isOpenGL(int kind)
    {
        return kind == KIND_EGL || kind == KIND_GLES2 || kind == KIND_GL1 || kind == KIND_GL2;
    }

    ~Context() override = default;

    virtual int kind() const = 0;
    /// The renderer family: KIND_GL2 for both OpenGL kinds.
    int rendererKind() const { return KIND_GL2; }
    bool isReady() const { return true; }

    const DrawState& drawState() const { return m_drawState; }
    void setDrawState(const DrawState& state) { m_drawState = state; }

    const Rect& viewport() const { return m_viewport; }
    /// Stores rect (top-left origin, in the oriented space) and sets the GL viewport.
    void setViewport(const Rect& rect);
    /// Enables the scissor test on rect, mapped like the viewport.
    void setScissor(const Rect& rect);

    /// Surface width, or its height when the orientation is a quarter turn.
    int width() const { return m_orientation & 1 ? m_surfaceHeight : m_surfaceWidth; }
    int height() const { return m_orientation & 1 ? m_surfaceWidth : m_surfaceHeight; }
    int windowWidth() const { return m_windowWidth; }
    int windowHeight() const { return m_windowHeight; }
    /// The window layer passes the monitor size here.
    void setWindowSize(int width, int height);
    /// A new surface size: stored, and the viewport reset to it. Unchanged does nothing.
    void resize(int width, int height);

    int orientation() const { return m_orientation; }
    /// Quarter turns of the screen, 0..3; a change resets the viewport.
    void setOrientation(int orientation);

    /// The 4x4 matrix last given to setTransform, with the orientation applied.
    const float* transform() const { return m_transform; }
    virtual void setTransform(const float matrix[16]);
    void resetTransform();
    /// fov: vertical field of view in radians.
    void setPerspective(float fov, float zNear, float zFar, float aspect);
    const float* viewTransform() const { return m_viewTransform; }
    void setViewTransform(const float matrix[12]);

    float time() const { return m_time; }
    void setTime(float seconds) { m_time = seconds; }

    /// Where effect files are looked up: the game's data directory + "shaders/".
    const lang::String& shaderPath() const { return m_shaderPath; }
    void setShaderPath(const lang::String& path) { m_shaderPath = path; }
    /// Where a renderer that can keep linked effect programs between runs keeps them (a
    /// per-user cache directory); empty: nowhere, every run compiles them.
    const lang::String& programCacheDirectory() const { return m_programCacheDirectory; }
    void setProgramCacheDirectory(const lang::String& path) { m_programCacheDirectory = path; }

    uint8_t storedFlag() const { return m_storedFlag; }
    void setStoredFlag(uint8_t flag) { m_storedFlag = flag; }
    float storedFloat() const { return m_storedFloat; }
    int storedInt() const { return m_storedInt; }
    void setStoredPair(float f, int i)
    {
        m_storedFloat = f;
        m_storedInt = i;
    }

    /// A texture of the given size, mip levels beyond the first, format and usage bits. A
    /// requested R8G8B8 is stored as B8G8R8, A8R8G8B8 and P8 as A8B8G8R8 (GL reads bytes
    /// in R, G, B order). Throws GraphicsException.
    virtual lang::Ptr<Texture> createTexture(int width, int height, int mipLevels, PixelFormat::Type format, int usage);
    /// No context kind here has cube maps: always throws GraphicsException.
    lang::Ptr<Texture> loadCubeTexture(const lang::String& fileName);
    /// Reads every handed-out shader again from its effect file. A shader whose file no
    /// longer reads keeps what it had; the first such error is thrown after all were tried.
    void reloadShaders();

    /// With the flag set, textures keep copies of what is uploaded into them, so that
    /// releaseContext() can drop every GL texture and resumeContext() rebuild them.
    void setRestorable(bool restorable) { m_restorable = restorable; }
    bool restorable() const { return m_restorable; }
    virtual void releaseContext();
    virtual void resumeContext();
    /// A texture read from an image file, every mip level uploaded, named after the file.
    lang::Ptr<Texture> loadTexture(const lang::String& fileName) { return loadTextureFile(fileName, false); }
    /// Where loadTexture and loadImage open image files; the platform that makes the context
    /// installs it. Without one they throw GraphicsException.
    void setImageOpener(ImageSource::Opener opener) { m_imageOpener = opener; }
    /// A shader by name: cached by its base name (directory and extension removed); a miss
    /// loads name + ".fx", a hit hands out a clone sharing the techniques. Throws
    /// GraphicsException.
    lang::Ptr<Shader> getShader(const lang::String& name, int flags);
    /// Every shader handed out, for reloading.
    int shadersHandedOut() const { return m_handedOut.size(); }

    /// A 2D line in pixels of the given width, through the batch; colour is A8R8G8B8.
    void drawLine(uint32_t colour, float x0, float y0, float x1, float y1, float width);
    /// A filled 2D rectangle in pixels, through the batch.
    void fillRect(uint32_t colour, float x, float y, float width, float height);
    /// A textured quad: x, y, width, height in pixels and the texture coordinates of the
    /// corners top-left, top-right, bottom-left, bottom-right (u, v pairs).
    void drawImage(Texture* image, float x, float y, float width, float height, const float uv[8]);
    /// A textured quad of the source rectangle (in texels) drawn at x, y in the destination size.
    void drawImage(Texture* image, float x, float y, float sx, float sy, float sw, float sh, float dw, float dh);
    /// A textured quad of width x height whose point (pivotX, pivotY) lands on x, y, scaled
    /// about that point by scaleX, scaleY and turned by angle (radians, +x towards +y). The
    /// drawing state's translation and scale apply; its rotation and pivot do not, so that one
    /// call places a sprite whatever the state was left with.
    void drawImageTransformed(Texture* image, float x, float y, float width, float height, float pivotX, float pivotY,
                              float angle, float scaleX, float scaleY, const float uv[8]);
    /// Draws what the 2D batch holds.
    void flush() { flushBatch(); }
    /// The pixel corners (top-left, top-right, bottom-left, bottom-right) of an image drawn
    /// at x, y in width x height through the 2D drawing state's translation and rotation.
    void imageCorners(float x, float y, float width, float height, float corners[8]) const;
    /// Pixel points to clip space with the drawing state's scale; false when they lie wholly
    /// off screen.
    bool toClipSpace(const float* corners, int count, float* clip) const;
    /// Draws into a render-target texture from now on (null: the screen again); the
    /// viewport becomes the whole target.
    virtual void setRenderTarget(Texture* target);
    Texture* renderTarget() const { return m_renderTarget.ptr(); }

    /// An image of the given size and format (stored as createTexture stores it).
    lang::Ptr<Image> createImage(int width, int height, PixelFormat::Type format);
    /// An image read from an image file.
    lang::Ptr<Image> loadImage(const lang::String& fileName);

    /// A primitive of the type and format with room for the vertices and indices.
    lang::Ptr<Primitive> createPrimitive(Primitive::Type type, const VertexFormat& format, int maxVertices, int maxIndices);
    /// A cached primitive of the type and format with at least the room asked for, or a new
    /// one with both capacities raised to the next multiple of 32.
    lang::Ptr<Primitive> getDynamicPrimitive(Primitive::Type type, const VertexFormat& format, int vertices, int indices);

    /// Draws a primitive with the pass of its shader now running: triangles sorted first when
    /// the shader asks, then the arrays the program reads.
    void drawPrimitive(Primitive& primitive);
    /// What the standard shader parameters tell the triangle sorting (row-major matrices).
    void setSortCamera(const float position[3]) { std::copy(position, position + 3, m_sortCamera); }
    void setSortWorldTransform(const float matrix[16]) { std::copy(matrix, matrix + 16, m_sortWorld); }
    void setSortBoneTransforms(const float* matrices, int count) { m_sortBones.assign(matrices, matrices + 16 * std::max(count, 0)); }

    /// A palette of count entries.
    lang::Ptr<Palette> createPalette(int count) { return new Palette(count); }
    /// The format a texture asked for in format is stored in.
    static PixelFormat::Type storedFormat(PixelFormat::Type format);

    /// Whether presenting waits for the display's refresh; on from creation. Drivers that
    /// can't change it (Xvfb's) keep theirs; vsync() tells what was last asked.
    virtual void setVsync(bool on) { m_vsync = on; }
    bool vsync() const { return m_vsync; }

    /// Frame brackets; nothing to do on the OpenGL renderers.
    virtual void beginFrame() {}
    virtual void endFrame() {}
    /// Shows the frame.
    virtual void present() = 0;
    /// Clears colour (an A8R8G8B8 value), depth and stencil as asked; after any clear depth
    /// writes are off.
    virtual void clear(uint32_t argb, bool colour, bool depth, bool stencil) = 0;
    /// Reads the frame being drawn (the back buffer, or the bound render target) as 8-bit
    /// RGBA, rows top first, width() x height() pixels; false when this kind can't.
    virtual bool readPixels(std::vector<uint8_t>* rgba) { (void)rgba; return false; }
    /// The textures alive now and the bytes of their stored top levels; zero for a kind
    /// that doesn't keep them.
    virtual void textureMemory(int* count, int64_t* bytes) const { *count = 0, *bytes = 0; }
    /// Toggles the front face between clockwise and counter-clockwise.
    virtual void flipFrontFace() = 0;
    /// True when the front face is clockwise (the default).
    bool frontFaceClockwise() const { return m_frontFaceClockwise; }

    Statistics& statistics() { return m_statistics; }
    void resetStatistics() { m_statistics = Statistics(); }

    /// The GL rectangle (x, y, width, height; bottom-left origin) of a top-left-origin
    /// rectangle for an orientation and an unrotated surface of width W and height H.
    static void mapRect(const Rect& rect, int orientation, int W, int H, int out[4]);

protected:
    Context();

    /// Called with the mapped GL rectangle.
    virtual void applyViewport(const int rect[4]) = 0;
    virtual void applyScissor(const int rect[4]) = 0;
    /// Draws what the 2D batch holds before state it depends on changes.
    void flushBatch();
    /// Draws a primitive's arrays with the current program; its triangles are in order.
    virtual void renderPrimitive(Primitive&) {}
    /// Draws a batch with its shader; the batch is emptied afterwards.
    virtual void drawBatch(Batch2D&) {}
    /// Reads an image file through the image opener into a texture made for it, every mip
    /// level uploaded; asImage chooses the log line.
    virtual lang::Ptr<Texture> loadTextureFile(const lang::String& fileName, bool asImage);

    /// Loads an effect file (the path with ".fx"); a context kind without effect files
    /// refuses.
    virtual lang::Ptr<Shader> loadShader(const lang::String& path, int flags);

    /// Drops the batch and every shader; a context kind calls it while its GL context is
    /// still current, before destroying it.
    void releaseObjects();

    /// The height of the bound render target, or 0 for none.
    virtual int renderTargetHeight() const { return m_renderTarget ? m_renderTarget->height() : 0; }
    /// Binds the target's framebuffer (0 for the screen).
    virtual void bindRenderTarget(Texture*) {}

    Statistics m_statistics;
    bool m_frontFaceClockwise = true;
    bool m_restorable = false;
    bool m_vsync = true;

private:
    DrawState m_drawState;
    Rect m_viewport;
    int m_surfaceWidth = 0;
    int m_surfaceHeight = 0;
    int m_windowWidth = 0;
    int m_windowHeight = 0;
    int m_orientation = 0;
    float m_transform[16];
    float m_viewTransform[12];
    float m_time = 0;
    lang::String m_shaderPath;
    lang::String m_programCacheDirectory;
    ImageSource::Opener m_imageOpener = nullptr;
    uint8_t m_storedFlag = 0;
    float m_storedFloat = 1.0f;
    int m_storedInt = 0;

    lang::Hashtable<lang::String, lang::Ptr<Shader>> m_shaderCache;
    Batch2D m_batch;
    lang::Ptr<Texture> m_renderTarget;
    lang::Array<lang::Ptr<Primitive>> m_dynamicPrimitives;
    float m_sortCamera[3] = {0, 0, 0};
    float m_sortWorld[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<float> m_sortBones;
    bool m_flushing = false;

    void submit(Batch2D::Mode mode, float lineWidth, Texture* image, const char* shader, const float corners[8],
                int cornerCount, const float* uv, uint32_t colour);
    lang::Array<lang::Ptr<Shader>> m_handedOut;

    void mapToGL(const Rect& rect, int out[4]) const;
};

} // namespace gr
