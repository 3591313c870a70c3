#include "framework/WindowFixture.h"

#include "gr/GraphicsException.h"
#include "gr/gl/GL_Context.h"
#include "gr/gl/GL_StateCache.h"

#include <GL/glew.h>

#include <cstdlib>

using gr::Context;
using gr::GL_StateCache;
using gr::Rect;

namespace {

void glViewportNow(int out[4])
{
    glGetIntegerv(GL_VIEWPORT, out);
}

uint32_t pixelAt(int x, int y)
{
    unsigned char rgba[4];
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return uint32_t(rgba[3]) << 24 | uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
}

} // namespace

TEST(GLSL, VersionCheck)
{
    EXPECT_FALSE(gr::GL_Context::supportsGLSL120("1.10"));
    EXPECT_FALSE(gr::GL_Context::supportsGLSL120("0.99 Mesa"));
    EXPECT_TRUE(gr::GL_Context::supportsGLSL120("1.20"));
    EXPECT_TRUE(gr::GL_Context::supportsGLSL120("4.60 NVIDIA"));
    EXPECT_TRUE(gr::GL_Context::supportsGLSL120("4"));
    EXPECT_TRUE(gr::GL_Context::supportsGLSL120(nullptr));
}

TEST(Context, ViewportMappingTable)
{
    const Rect r{10, 20, 110, 70};
    int out[4];
    Context::mapRect(r, 0, 480, 320, out);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{10, 250, 100, 50}));
    Context::mapRect(r, 1, 480, 320, out);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{410, 210, 50, 100}));
    Context::mapRect(r, 2, 480, 320, out);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{370, 20, 100, 50}));
    Context::mapRect(r, 3, 480, 320, out);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{20, 10, 50, 100}));
}

TEST_F(WindowTest, DefaultRendererIsTheShaderOne)
{
    if (std::getenv("MESA_GL_VERSION_OVERRIDE"))
        GTEST_SKIP() << "GL version forced";
    open();
    EXPECT_EQ(context().kind(), 7);
    EXPECT_EQ(context().rendererKind(), 7);
    EXPECT_TRUE(context().isReady());
    EXPECT_NE(log.text().find("Vendor: "), std::string::npos);
}

TEST_F(WindowTest, AskingForGL1GivesKindSix)
{
    lang::Array<int> kinds;
    kinds.add(6);
    open(480, 320, kinds);
    EXPECT_EQ(context().kind(), 6);
    EXPECT_EQ(context().rendererKind(), 7);
}

TEST_F(WindowTest, ForcedGL14FallsBackOrFails)
{
    if (!std::getenv("MESA_GL_VERSION_OVERRIDE"))
        GTEST_SKIP() << "run with MESA_GL_VERSION_OVERRIDE=1.4";
    open();
    EXPECT_EQ(context().kind(), 6);
    lang::Array<int> gl2;
    gl2.add(7);
    try {
        platform.createContext(gl2, 0);
        FAIL();
    } catch (const gr::GraphicsException& e) {
        EXPECT_EQ(e.getMessage().str(), "OpenGL 2.0 renderer not supported! Reason:\nOpenGL 2.0 is not supported\n\n");
    }
}

TEST_F(WindowTest, DynamicPrimitivesAreReusedWhileTheyFit)
{
    open();
    gr::VertexFormat format;
    format.set(gr::DT_POSITION, gr::DF_V3_32);
    lang::Ptr<gr::Primitive> first = context().getDynamicPrimitive(gr::Primitive::TRIANGLES, format, 33, 1);
    EXPECT_EQ(first->maxVertices(), 64);
    EXPECT_EQ(first->maxIndices(), 32);
    EXPECT_EQ(context().getDynamicPrimitive(gr::Primitive::TRIANGLES, format, 50, 0).ptr(), first.ptr());
    lang::Ptr<gr::Primitive> larger = context().getDynamicPrimitive(gr::Primitive::TRIANGLES, format, 65, 0);
    EXPECT_NE(larger.ptr(), first.ptr());
    EXPECT_EQ(larger->maxIndices(), 32); // the room it replaces is kept
    EXPECT_EQ(context().getDynamicPrimitive(gr::Primitive::TRIANGLES, format, 33, 1).ptr(), larger.ptr());
    EXPECT_NE(context().getDynamicPrimitive(gr::Primitive::LINES, format, 3, 0).ptr(), first.ptr());
    gr::VertexFormat coloured = format;
    coloured.set(gr::DT_DIFFUSE, gr::DF_V4_8);
    EXPECT_NE(context().getDynamicPrimitive(gr::Primitive::TRIANGLES, coloured, 3, 0).ptr(), first.ptr());
}

TEST_F(WindowTest, ClearReadsBack)
{
    open(480, 320);
    context().clear(0xff336699, true, true, false);
    EXPECT_EQ(pixelAt(5, 5), 0xff336699u);
    EXPECT_EQ(pixelAt(479, 319), 0xff336699u);
    EXPECT_FALSE(GL_StateCache::get().depthMask()); // any clear leaves depth writes off
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE);
    const int clears = context().statistics().clears;
    context().clear(0xffffffff, false, false, false); // nothing asked: no GL clear
    EXPECT_EQ(context().statistics().clears, clears);
    EXPECT_EQ(pixelAt(5, 5), 0xff336699u);
    context().present();
}

namespace {

float depthAt(int x, int y)
{
    float depth = -1;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

/// Writes depth 0.5 over the whole window, through the state record or behind its back.
void fillDepth(bool recorded)
{
    GL_StateCache& cache = GL_StateCache::get();
    glDisable(GL_SCISSOR_TEST);
    glClearDepth(0.5);
    if (recorded) {
        cache.setDepthTest(true, GL_LESS);
        cache.setDepthMask(true);
        glClear(GL_DEPTH_BUFFER_BIT);
        cache.setDepthMask(false);
        cache.setDepthTest(false, GL_LESS);
    } else {
        glDepthMask(GL_TRUE);
        glClear(GL_DEPTH_BUFFER_BIT);
        glDepthMask(cache.depthMask() ? GL_TRUE : GL_FALSE);
    }
    glClearDepth(1.0);
    glEnable(GL_SCISSOR_TEST);
}

} // namespace

// A clear of a depth buffer nothing has written since its last whole clear is skipped
// (the files behind the record stand for any draw that doesn't write depth); anything that
// may have written it, a partial clear or a new size clears it again.
TEST_F(WindowTest, DepthIsClearedOnlyWhenItMayHaveChanged)
{
    open(480, 320);
    context().clear(0xff000000, true, true, false);
    EXPECT_EQ(depthAt(10, 10), 1.0f);

    fillDepth(true); // a draw with depth test and writes on
    context().clear(0xff000000, true, true, false);
    EXPECT_EQ(depthAt(10, 10), 1.0f);

    fillDepth(false); // unseen: proves the next clear leaves depth alone
    context().clear(0xff000000, true, true, false);
    EXPECT_EQ(depthAt(10, 10), 0.5f);
    EXPECT_EQ(pixelAt(10, 10), 0xff000000u); // the colour is still cleared

    context().resize(400, 300); // a new size is a new depth buffer
    context().clear(0xff000000, true, true, false);
    EXPECT_EQ(depthAt(10, 10), 1.0f);
    context().resize(480, 320);
    context().clear(0xff000000, true, true, false);

    // A clear inside a clip rectangle leaves the rest as it was: the next whole clear runs.
    fillDepth(true);
    gr::DrawState clipped = context().drawState();
    clipped.clip = Rect{0, 0, 100, 100};
    context().setDrawState(clipped);
    context().clear(0xff000000, false, true, false);
    clipped.clip = Rect();
    context().setDrawState(clipped);
    fillDepth(false);
    context().clear(0xff000000, false, true, false);
    EXPECT_EQ(depthAt(470, 10), 1.0f);
    context().present();
}

TEST_F(WindowTest, ViewportFollowsTheOrientation)
{
    open(480, 320);
    int gl[4];
    glViewportNow(gl);
    EXPECT_EQ(std::vector<int>(gl, gl + 4), (std::vector<int>{0, 0, 480, 320}));
    context().setOrientation(1);
    EXPECT_EQ(context().width(), 320);
    EXPECT_EQ(context().height(), 480);
    context().setViewport(Rect{10, 20, 110, 70});
    glViewportNow(gl);
    EXPECT_EQ(std::vector<int>(gl, gl + 4), (std::vector<int>{410, 210, 50, 100}));
    context().setOrientation(2);
    glViewportNow(gl);
    EXPECT_EQ(std::vector<int>(gl, gl + 4), (std::vector<int>{0, 0, 480, 320}));
    context().setViewport(Rect{10, 20, 110, 70});
    glViewportNow(gl);
    EXPECT_EQ(std::vector<int>(gl, gl + 4), (std::vector<int>{370, 20, 100, 50}));
    context().setOrientation(3);
    context().setViewport(Rect{10, 20, 110, 70});
    glViewportNow(gl);
    EXPECT_EQ(std::vector<int>(gl, gl + 4), (std::vector<int>{20, 10, 50, 100}));
}

TEST_F(WindowTest, UnchangedStateTouchesNothing)
{
    open(480, 320);
    context().setOrientation(1);
    const long before = GL_StateCache::get().calls();
    const Rect viewport = context().viewport();
    context().setOrientation(1);
    context().resize(480, 320);
    context().setViewport(viewport);
    EXPECT_EQ(GL_StateCache::get().calls(), before);
    EXPECT_EQ(context().viewport(), viewport);
    context().resize(400, 300);
    EXPECT_GT(GL_StateCache::get().calls(), before);
}

TEST_F(WindowTest, TransformsAndStoredState)
{
    open(480, 320);
    context().flipFrontFace();
    EXPECT_FALSE(context().frontFaceClockwise());
    context().flipFrontFace();
    EXPECT_TRUE(context().frontFaceClockwise());
    GLint face = 0;
    glGetIntegerv(GL_FRONT_FACE, &face);
    EXPECT_EQ(face, GL_CW);

    context().setPerspective(1.5707964f, 1, 101, 2);
    const float* m = context().transform();
    EXPECT_NEAR(m[0], 1.0f, 1e-5f);
    EXPECT_NEAR(m[5], 2.0f, 1e-5f);
    EXPECT_NEAR(m[10], 1.01f, 1e-5f);
    EXPECT_NEAR(m[11], -1.01f, 1e-5f);
    EXPECT_EQ(m[14], 1.0f);

    context().setOrientation(2); // a half turn negates x and y
    context().resetTransform();
    EXPECT_FLOAT_EQ(context().transform()[0], -1.0f);
    EXPECT_FLOAT_EQ(context().transform()[5], -1.0f);
    EXPECT_FLOAT_EQ(context().transform()[10], 1.0f);

    gr::DrawState state = context().drawState();
    EXPECT_EQ(state.clip, Rect());
    EXPECT_EQ(state.alpha, 1.0f);
    EXPECT_EQ(state.value1, 5);
    state.alpha = 0.5f;
    context().setDrawState(state);
    EXPECT_EQ(context().drawState().alpha, 0.5f);
    context().setShaderPath("data/shaders/");
    EXPECT_EQ(context().shaderPath(), "data/shaders/");
    EXPECT_EQ(context().storedFloat(), 1.0f);
}

TEST_F(WindowTest, OnlyUnrotatedTargetsSkipTheOrientationRotation)
{
    open(480, 320);
    context().setOrientation(2); // a half turn negates x and y
    lang::Ptr<gr::Texture> rotated =
        context().createTexture(16, 16, 0, gr::PixelFormat::A8R8G8B8, gr::Texture::USAGE_RENDER_TARGET);
    lang::Ptr<gr::Texture> unrotated =
        context().createTexture(16, 16, 0, gr::PixelFormat::A8R8G8B8, gr::Texture::USAGE_UNROTATED_TARGET);
    const auto turn = [&](gr::Texture* target) {
        context().setRenderTarget(target);
        context().resetTransform();
        return std::vector<float>{context().transform()[0], context().transform()[5]};
    };
    EXPECT_EQ(turn(rotated.ptr()), (std::vector<float>{-1, -1}));
    EXPECT_EQ(turn(unrotated.ptr()), (std::vector<float>{1, 1}));
    EXPECT_EQ(turn(nullptr), (std::vector<float>{-1, -1}));
}
