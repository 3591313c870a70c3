#include "framework/WindowFixture.h"

#include "TempDir.h"
#include "gr/GraphicsException.h"
#include "gr/gl/GL_Texture.h"

#include <GL/glew.h>

using gr::PixelFormat;

namespace {

std::string texels(const gr::Texture& texture, int level = 0)
{
    const auto& gl = static_cast<const gr::GL_Texture&>(texture);
    glBindTexture(GL_TEXTURE_2D, gl.glTexture());
    const int w = std::max(1, texture.width() >> level), h = std::max(1, texture.height() >> level);
    std::string out(static_cast<size_t>(w * h * 4), '\0');
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, &out[0]);
    glBindTexture(GL_TEXTURE_2D, 0);
    return out;
}

} // namespace

TEST_F(WindowTest, LoadTextureUploadsThePixels)
{
    open();
    // A 3 x 2 top-down 32-bit TGA: B, G, R, A per pixel.
    std::string tga(18, '\0');
    tga[2] = 2, tga[12] = 3, tga[14] = 2, tga[16] = 32, tga[17] = 0x28;
    const unsigned char pixels[] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255,
                                    10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    tga.append(reinterpret_cast<const char*>(pixels), sizeof(pixels));
    TempDir dir;
    dir.write("sprite.tga", tga);
    const int before = context().statistics().texturesCreated;
    lang::Ptr<gr::Texture> texture = context().loadTexture(lang::String(dir / "sprite.tga"));
    EXPECT_EQ(texture->width(), 3);
    EXPECT_EQ(texture->format().type(), PixelFormat::A8B8G8R8); // A8R8G8B8 is stored for GL as RGBA
    EXPECT_EQ(texture->name().str(), dir / "sprite.tga");
    EXPECT_EQ(context().statistics().texturesCreated, before + 1);
    const std::string rgba = texels(*texture);
    const unsigned char expected[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                      30, 20, 10, 40, 70, 60, 50, 80, 110, 100, 90, 120};
    EXPECT_EQ(rgba, std::string(reinterpret_cast<const char*>(expected), sizeof(expected)));
    EXPECT_NE(log.text().find("Loading texture "), std::string::npos);
    EXPECT_NE(log.text().find(": 3x2 A8R8G8B8 (as A8B8G8R8) mips: 0\n"), std::string::npos) << log.text();
}

TEST_F(WindowTest, RenderTargetsStartMagentaWithoutAlpha)
{
    open();
    lang::Ptr<gr::Texture> target = context().createTexture(8, 4, 0, PixelFormat::A8R8G8B8, gr::Texture::USAGE_RENDER_TARGET);
    auto& gl = static_cast<gr::GL_Texture&>(*target);
    ASSERT_TRUE(gl.isRenderTarget());
    const std::string rgba = texels(*target);
    for (size_t i = 0; i < rgba.size(); i += 4)
        EXPECT_EQ(rgba.substr(i, 4), std::string({char(255), 0, char(255), 0})) << i;
}

TEST_F(WindowTest, MipFiltersAndLimits)
{
    open();
    lang::Ptr<gr::Texture> full = context().createTexture(512, 256, 9, PixelFormat::A8R8G8B8, 0);
    EXPECT_EQ(static_cast<gr::GL_Texture&>(*full).minFilter(), GL_LINEAR_MIPMAP_NEAREST);
    lang::Ptr<gr::Texture> plain = context().createTexture(512, 256, 0, PixelFormat::A8R8G8B8, 0);
    EXPECT_EQ(static_cast<gr::GL_Texture&>(*plain).minFilter(), GL_LINEAR);
    GLint maximum = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maximum);
    try {
        context().createTexture(maximum + 1, 4, 0, PixelFormat::A8R8G8B8, 0);
        FAIL();
    } catch (const gr::GraphicsException& e) {
        EXPECT_EQ(e.getMessage(), lang::Format("Texture is too large: {0}x4, maximum supported size: {1}x{1}",
                                               maximum + 1, maximum)
                                      .toString());
    }
    log.clear();
    context().createTexture(8, 8, 0, PixelFormat::DXT1, 0);
    EXPECT_NE(log.text().find("Trying to create texture with unsupported color format: DXT1\n"), std::string::npos);

    // Mip levels upload separately.
    const uint8_t red[4 * 4] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
    lang::Ptr<gr::Texture> mipped = context().createTexture(4, 4, 2, PixelFormat::A8B8G8R8, 0);
    mipped->setSurface(0, 0, red, 8, 1, 2, 2, PixelFormat::A8B8G8R8);
    EXPECT_EQ(texels(*mipped, 1), std::string(reinterpret_cast<const char*>(red), 16));
}

TEST(Palette, EntriesConvertBothWays)
{
    gr::Palette palette(4);
    const uint8_t rgb[2 * 3] = {1, 2, 3, 4, 5, 6}; // R8G8B8: B, G, R in memory
    palette.setEntries(2, rgb, 5, PixelFormat::R8G8B8); // clipped to the table
    uint8_t out[2 * 4];
    palette.getEntries(2, out, 2, PixelFormat::A8B8G8R8);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
    EXPECT_EQ(palette.entryCount(), 4);
}

namespace {

/// Makes the framebuffer calls of OpenGL 3.0 / GL_ARB_framebuffer_object look absent while
/// it lives, as on a driver that has only those of GL_EXT_framebuffer_object.
class CoreFramebuffersHidden
{
public:
    CoreFramebuffersHidden()
        : m_saved{__glewGenFramebuffers, __glewBindFramebuffer, __glewFramebufferTexture2D, __glewDeleteFramebuffers,
                  __glewGenRenderbuffers, __glewBindRenderbuffer, __glewRenderbufferStorage,
                  __glewFramebufferRenderbuffer, __glewDeleteRenderbuffers}
    {
        __glewGenFramebuffers = nullptr;
        __glewBindFramebuffer = nullptr;
        __glewFramebufferTexture2D = nullptr;
        __glewDeleteFramebuffers = nullptr;
        __glewGenRenderbuffers = nullptr;
        __glewBindRenderbuffer = nullptr;
        __glewRenderbufferStorage = nullptr;
        __glewFramebufferRenderbuffer = nullptr;
        __glewDeleteRenderbuffers = nullptr;
    }
    ~CoreFramebuffersHidden()
    {
        __glewGenFramebuffers = m_saved.gen;
        __glewBindFramebuffer = m_saved.bind;
        __glewFramebufferTexture2D = m_saved.texture;
        __glewDeleteFramebuffers = m_saved.remove;
        __glewGenRenderbuffers = m_saved.genRender;
        __glewBindRenderbuffer = m_saved.bindRender;
        __glewRenderbufferStorage = m_saved.storage;
        __glewFramebufferRenderbuffer = m_saved.attach;
        __glewDeleteRenderbuffers = m_saved.removeRender;
    }

private:
    struct
    {
        PFNGLGENFRAMEBUFFERSPROC gen;
        PFNGLBINDFRAMEBUFFERPROC bind;
        PFNGLFRAMEBUFFERTEXTURE2DPROC texture;
        PFNGLDELETEFRAMEBUFFERSPROC remove;
        PFNGLGENRENDERBUFFERSPROC genRender;
        PFNGLBINDRENDERBUFFERPROC bindRender;
        PFNGLRENDERBUFFERSTORAGEPROC storage;
        PFNGLFRAMEBUFFERRENDERBUFFERPROC attach;
        PFNGLDELETERENDERBUFFERSPROC removeRender;
    } m_saved;
};

} // namespace

TEST_F(WindowTest, RenderTargetsOnAGLDriverWithOnlyTheEXTFramebufferCalls)
{
    open(480, 320);
    if (!GLEW_EXT_framebuffer_object)
        GTEST_SKIP() << "the driver has no GL_EXT_framebuffer_object";
    context().setShaderPath(TEST_SOURCE_DIR "/../share/effects/");
    context().clear(0xff000000, true, true, false);
    {
        CoreFramebuffersHidden hidden;
        lang::Ptr<gr::Texture> target =
            context().createTexture(64, 32, 0, PixelFormat::A8R8G8B8, gr::Texture::USAGE_RENDER_TARGET);
        EXPECT_NE(static_cast<gr::GL_Texture&>(*target).framebuffer(), 0u);
        context().setRenderTarget(target.ptr());
        context().fillRect(0xff00ff00, 0, 0, 240, 160); // in the screen's units: the target's top left quarter
        context().flush();
        context().setRenderTarget(nullptr);
        // Texture rows run bottom up.
        const std::string rgba = texels(*target);
        const auto texel = [&](int x, int y) { return rgba.substr(size_t((31 - y) * 64 + x) * 4, 4); };
        EXPECT_EQ(texel(5, 5), std::string({0, char(255), 0, char(255)}));
        EXPECT_EQ(texel(40, 20), std::string({char(255), 0, char(255), 0}));
    }
    // And the screen stayed as cleared, everywhere.
    std::vector<uint8_t> screen(480 * 320 * 4);
    glReadPixels(0, 0, 480, 320, GL_RGBA, GL_UNSIGNED_BYTE, screen.data());
    int lit = 0;
    for (size_t i = 0; i < screen.size(); i += 4)
        lit += screen[i] || screen[i + 1] || screen[i + 2];
    EXPECT_EQ(lit, 0);
}

TEST_F(WindowTest, FixedFunctionGLTexturesCallAMissingFormatUndefined)
{
    lang::Array<int> kinds;
    kinds.add(6);
    open(480, 320, kinds);
    ASSERT_EQ(context().kind(), 6);
    log.clear();
    context().createTexture(8, 8, 0, PixelFormat::DXT1, 0);
    EXPECT_NE(log.text().find("Trying to create texture with undefined color format: DXT1\n"), std::string::npos)
        << log.text();
    EXPECT_EQ(log.text().find("unsupported color format"), std::string::npos) << log.text();
}
