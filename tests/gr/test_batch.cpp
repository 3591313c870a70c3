#include "framework/WindowFixture.h"

#include "Failure.h"
#include "TempDir.h"
#include "gr/GraphicsException.h"

#include <GL/glew.h>

#include <cstdlib>

using gr::PixelFormat;

namespace {

const char* const kShaders = TEST_SOURCE_DIR "/../share/effects/";

/// RGBA of the pixel at (x, y), y from the top.
std::vector<int> pixel(gr::Context& context, int x, int y)
{
    unsigned char rgba[4];
    glReadPixels(x, context.height() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

bool near(const std::vector<int>& a, const std::vector<int>& b)
{
    for (size_t i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > 12)
            return false;
    return true;
}

/// A 2 x 2 texture: red, green / blue, white.
lang::Ptr<gr::Texture> quadrants(gr::Context& context)
{
    lang::Ptr<gr::Texture> texture = context.createTexture(2, 2, 0, PixelFormat::A8B8G8R8, 0);
    const uint8_t pixels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    texture->setSurface(0, 0, pixels, 8, 0, 2, 2, PixelFormat::A8B8G8R8);
    return texture;
}

const float kFull[8] = {0, 0, 1, 0, 0, 1, 1, 1};

} // namespace

TEST_F(WindowTest, SpritesLandWhereTheMappingSays)
{
    open(480, 320);
    context().setShaderPath(kShaders);
    lang::Ptr<gr::Texture> texture = quadrants(context());
    context().clear(0xff000000, true, true, false);
    context().drawImage(texture.ptr(), 10, 20, 40, 40, kFull);
    context().flush();
    // Texel centres sit a quarter of the way in.
    EXPECT_PRED2(near, pixel(context(), 20, 30), (std::vector<int>{255, 0, 0}));
    EXPECT_PRED2(near, pixel(context(), 40, 30), (std::vector<int>{0, 255, 0}));
    EXPECT_PRED2(near, pixel(context(), 20, 50), (std::vector<int>{0, 0, 255}));
    EXPECT_PRED2(near, pixel(context(), 40, 50), (std::vector<int>{255, 255, 255}));
    EXPECT_PRED2(near, pixel(context(), 5, 30), (std::vector<int>{0, 0, 0}));  // left of the sprite
    EXPECT_PRED2(near, pixel(context(), 20, 65), (std::vector<int>{0, 0, 0})); // below it

    // Translation and scale move and stretch it.
    gr::DrawState state = context().drawState();
    state.translateX = 100;
    state.scaleX = 2; // clip-space scale: twice as far right
    context().setDrawState(state);
    context().clear(0xff000000, true, true, false);
    context().drawImage(texture.ptr(), 10, 20, 40, 40, kFull);
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 2 * (110 + 10), 30), (std::vector<int>{255, 0, 0}));
    context().setDrawState(gr::DrawState());
}

TEST_F(WindowTest, RectanglesLinesAndAlpha)
{
    open(480, 320);
    context().setShaderPath(kShaders);
    context().clear(0xff000000, true, true, false);
    context().fillRect(0xff00ff00, 100, 100, 50, 20);
    context().drawLine(0xffff0000, 10, 200, 300, 200, 3);
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 120, 110), (std::vector<int>{0, 255, 0}));
    EXPECT_PRED2(near, pixel(context(), 120, 95), (std::vector<int>{0, 0, 0}));
    EXPECT_PRED2(near, pixel(context(), 150, 200), (std::vector<int>{255, 0, 0}));
    EXPECT_PRED2(near, pixel(context(), 150, 195), (std::vector<int>{0, 0, 0}));

    gr::DrawState state;
    state.alpha = 0.5f;
    context().setDrawState(state);
    context().fillRect(0xffffffff, 100, 100, 50, 20); // half white over green
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 120, 110), (std::vector<int>{128, 255, 128}));
    context().setDrawState(gr::DrawState());
}

TEST_F(WindowTest, CompatibleDrawsShareOneBatch)
{
    open(480, 320);
    context().setShaderPath(kShaders);
    lang::Ptr<gr::Texture> texture = quadrants(context());
    context().flush();
    context().resetStatistics();
    context().drawImage(texture.ptr(), 10, 10, 20, 20, kFull);
    context().drawImage(texture.ptr(), 50, 10, 20, 20, kFull);
    context().flush();
    EXPECT_EQ(context().statistics().drawCalls, 1);
    EXPECT_EQ(context().statistics().vertices, 8); // four corners a sprite

    context().resetStatistics();
    context().drawImage(texture.ptr(), 10, 10, 20, 20, kFull);
    context().drawLine(0xffffffff, 0, 0, 10, 10, 1);
    context().drawImage(texture.ptr(), 50, 10, 20, 20, kFull);
    context().flush();
    EXPECT_EQ(context().statistics().drawCalls, 3);

    // Wholly left of the screen: not drawn, and the open batch is not flushed.
    context().resetStatistics();
    context().drawImage(texture.ptr(), 10, 10, 20, 20, kFull);
    context().fillRect(0xffffffff, -100, 10, 20, 20);
    EXPECT_EQ(context().statistics().drawCalls, 0);
    context().drawImage(texture.ptr(), 50, 10, 20, 20, kFull);
    context().flush();
    EXPECT_EQ(context().statistics().drawCalls, 1);
    EXPECT_EQ(context().statistics().vertices, 8); // four corners a sprite
}

TEST_F(WindowTest, CompatibleDrawsPastTheIndexRangeSplitIntoTwoBatches)
{
    // 16-bit indices reach 16384 quads: the next one starts a second batch, and both draw.
    open(480, 320);
    context().setShaderPath(kShaders);
    context().clear(0xff000000, true, true, false);
    context().flush();
    context().resetStatistics();
    const int quads = gr::Batch2D::MAX_QUADS + 3;
    for (int i = 0; i < quads; ++i) {
        const uint32_t colour = i == 0 ? 0xffff0000 : i == quads - 1 ? 0xff0000ff : 0xff00ff00;
        context().fillRect(colour, static_cast<float>(i % 400), static_cast<float>(i / 400 + 10), 1, 1);
    }
    context().fillRect(0xff0000ff, 300, 200, 10, 10);
    context().flush();
    EXPECT_EQ(context().statistics().drawCalls, 2);
    EXPECT_EQ(context().statistics().vertices, 4 * (quads + 1));
    EXPECT_EQ(context().statistics().triangles, 2 * (quads + 1));
    EXPECT_PRED2(near, pixel(context(), 0, 10), (std::vector<int>{255, 0, 0}));  // the first
    EXPECT_PRED2(near, pixel(context(), 1, 10), (std::vector<int>{0, 255, 0}));
    EXPECT_PRED2(near, pixel(context(), (quads - 1) % 400, (quads - 1) / 400 + 10), (std::vector<int>{0, 0, 255}));
    EXPECT_PRED2(near, pixel(context(), 305, 205), (std::vector<int>{0, 0, 255})); // in the second batch
}

TEST_F(WindowTest, ABatchThatCannotBeDrawnIsDroppedAndLaterDrawsGoOn)
{
    // The shader renderer reads its 2D effects from files: none here.
    open(480, 320);
    TempDir empty;
    context().setShaderPath(empty.path() + "/");
    context().clear(0xff000000, true, true, false);
    context().fillRect(0xffff0000, 10, 10, 20, 20);
    EXPECT_THROW(context().flush(), lang::Throwable);
    // With its effects back, the next batch draws, and without the one that failed.
    context().setShaderPath(kShaders);
    context().fillRect(0xff00ff00, 40, 10, 20, 20);
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 50, 20), (std::vector<int>{0, 255, 0}));
    EXPECT_PRED2(near, pixel(context(), 20, 20), (std::vector<int>{0, 0, 0}));
}

TEST_F(WindowTest, ImagesDrawTheirSourceRectangle)
{
    open(480, 320);
    context().setShaderPath(kShaders);
    lang::Ptr<gr::Image> image = context().createImage(2, 2, PixelFormat::A8R8G8B8);
    const uint8_t argb[16] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255}; // B, G, R, A
    image->setSurface(0, 0, argb, 8, 0, 2, 2, PixelFormat::A8R8G8B8);
    EXPECT_STREQ(image->spriteShader(), "2d-sprite-alpha");
    context().clear(0xff000000, true, true, false);
    image->draw(100, 100, 1, 0, 1, 1, 20, 20); // the green texel, stretched
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 110, 110), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(context().statistics().imagesCreated, 1);
}

TEST_F(WindowTest, DrawingIntoARenderTarget)
{
    open(480, 320);
    context().setShaderPath(kShaders);
    lang::Ptr<gr::Texture> target =
        context().createTexture(64, 32, 0, PixelFormat::A8R8G8B8, gr::Texture::USAGE_RENDER_TARGET);
    context().setRenderTarget(target.ptr());
    EXPECT_EQ(context().viewport(), (gr::Rect{0, 0, 64, 32}));
    // Magenta with zero alpha until drawn into.
    unsigned char rgba[4];
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    EXPECT_EQ(std::vector<int>(rgba, rgba + 4), (std::vector<int>{255, 0, 255, 0}));
    context().fillRect(0xff00ff00, 0, 0, 10, 10); // maps to the screen's coordinates
    context().flush();
    context().setRenderTarget(nullptr);
    EXPECT_EQ(context().viewport(), (gr::Rect{0, 0, 480, 320}));
    EXPECT_EQ(context().renderTarget(), nullptr);
}

TEST_F(WindowTest, RotationAboutAPivotAndClipping)
{
    open(480, 320);
    context().setShaderPath(kShaders);
    gr::DrawState state;
    // A half turn about the rectangle's centre covers the same pixels.
    state.m00 = -1, state.m01 = 0, state.m10 = 0, state.m11 = -1;
    state.pivotX = 10, state.pivotY = 10, state.angle = 3.1415927f;
    context().setDrawState(state);
    context().clear(0xff000000, true, true, false);
    context().fillRect(0xffff0000, 100, 100, 20, 20);
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 110, 110), (std::vector<int>{255, 0, 0}));
    EXPECT_PRED2(near, pixel(context(), 125, 110), (std::vector<int>{0, 0, 0}));
    // A clip rectangle keeps the drawing inside it.
    gr::DrawState clipped;
    clipped.clip = gr::Rect{200, 100, 210, 200};
    context().setDrawState(clipped);
    context().fillRect(0xff0000ff, 180, 150, 60, 20);
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 205, 160), (std::vector<int>{0, 0, 255}));
    EXPECT_PRED2(near, pixel(context(), 190, 160), (std::vector<int>{0, 0, 0}));
    context().setDrawState(gr::DrawState());
}

TEST_F(WindowTest, PrimitivesDrawThroughTheirShaderInSortedOrder)
{
    open(480, 320);
    if (context().kind() != 7)
        GTEST_SKIP() << "primitives here read the shader renderer's attributes";
    context().setShaderPath(kShaders);
    lang::Ptr<gr::Shader> shader = context().getShader(lang::String(kShaders) + "2d-vertexcolor", 0)->clone();

    // Two overlapping quads over the left half: red nearer the camera, then green.
    gr::VertexFormat format;
    format.set(gr::DT_POSITION, gr::DF_V3_32).set(gr::DT_DIFFUSE, gr::DF_V4_8);
    lang::Ptr<gr::Primitive> primitive = context().createPrimitive(gr::Primitive::TRIANGLES, format, 8, 12);
    const float positions[] = {-1, 1, 0.5f, 1, 0, 1, 0.5f, 1, -1, -1, 0.5f, 1, 0, -1, 0.5f, 1,
                               -1, 1, -0.5f, 1, 0, 1, -0.5f, 1, -1, -1, -0.5f, 1, 0, -1, -0.5f, 1};
    float colours[32];
    for (int v = 0; v < 8; ++v) {
        const float rgba[4] = {v < 4 ? 255.0f : 0.0f, v < 4 ? 0.0f : 255.0f, 0, 255};
        std::copy(rgba, rgba + 4, colours + 4 * v);
    }
    const uint16_t indices[] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
    primitive->setPositions(0, positions, 8);
    primitive->setDiffuse(0, colours, 8);
    primitive->setIndices(0, indices, 2, 12);
    primitive->setShader(shader.ptr());

    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float camera[4] = {0, 0, 10, 1};
    auto drawWithSort = [&](int mode) {
        shader->setSortMode(mode);
        shader->setMatrixById(gr::Shader::ID_PROJTM, identity);
        shader->setVectorById(gr::Shader::ID_CAMERAP, camera);
        context().clear(0xff000000, true, true, false);
        context().resetStatistics();
        context().fillRect(0xff0000ff, 300, 10, 20, 20); // still in the batch as the shader begins
        for (int pass = 0, passes = shader->begin(); pass < passes; ++pass) {
            shader->beginPass(pass);
            primitive->render();
            shader->endPass();
        }
        shader->end();
        return pixel(context(), 100, 160);
    };

    EXPECT_PRED2(near, drawWithSort(0), (std::vector<int>{0, 255, 0})); // file order: green last
    EXPECT_PRED2(near, pixel(context(), 310, 20), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(context().statistics().drawCalls, 2); // the rectangle's batch, then the primitive
    EXPECT_EQ(context().statistics().vertices, 4 + 8);
    EXPECT_EQ(context().statistics().triangles, 2 + 4);
    EXPECT_PRED2(near, pixel(context(), 400, 160), (std::vector<int>{0, 0, 0}));
    EXPECT_PRED2(near, drawWithSort(1), (std::vector<int>{255, 0, 0})); // back to front: the near red last
    EXPECT_PRED2(near, drawWithSort(2), (std::vector<int>{0, 255, 0}));

    // An index past the vertices stops the draw instead of reading beyond the arrays.
    const uint16_t wild = 9000;
    primitive->setIndices(0, &wild, 2, 1);
    drawWithSort(0);
    EXPECT_EQ(context().statistics().drawCalls, 1); // the rectangle alone
}

TEST_F(WindowTest, ReleasedTexturesComeBackWhenRestorable)
{
    open(480, 320);
    context().setShaderPath(kShaders);
    context().setRestorable(true);
    lang::Ptr<gr::Texture> texture = quadrants(context());
    context().releaseContext();
    context().resumeContext();
    const std::string said = log.text();
    EXPECT_LT(said.find("Before release:\n"), said.find("After release:\n"));
    EXPECT_LT(said.find("After release:\n"), said.find("resumeContext\n"));

    context().clear(0xff000000, true, true, false);
    context().drawImage(texture.ptr(), 10, 20, 40, 40, kFull);
    context().flush();
    EXPECT_PRED2(near, pixel(context(), 20, 30), (std::vector<int>{255, 0, 0}));
    EXPECT_PRED2(near, pixel(context(), 40, 50), (std::vector<int>{255, 255, 255}));

    // A texture that goes before the context leaves nothing behind for it to restore.
    texture = nullptr;
    context().releaseContext();
    context().resumeContext();

    EXPECT_EQ(messageOf<gr::GraphicsException>([&] { context().loadCubeTexture("sky.dds"); }),
              "Cube textures not supported");
}

TEST_F(WindowTest, ReloadedShadersFollowTheirFilesAndSurviveBrokenOnes)
{
    open(480, 320);
    TempDir dir;
    for (const char* name : {"2d-vertexcolor.vsh", "2d-vertexcolor.fsh"}) {
        std::ifstream in(std::string(kShaders) + name, std::ios::binary);
        dir.write(name, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    const std::string pass = "technique Default {\n pass P0 {\n VertexShader = 2d-vertexcolor.vsh ;\n"
                             " PixelShader = 2d-vertexcolor.fsh ;\n }\n}\n";
    dir.write("edited.fx", pass);
    lang::Ptr<gr::Shader> shader = context().getShader(lang::String((dir / "edited").c_str()), 0);
    EXPECT_EQ(shader->sortMode(), 0);

    dir.write("edited.fx", "sort = backtofront ;\n" + pass);
    context().reloadShaders();
    EXPECT_EQ(shader->sortMode(), 1);
    EXPECT_EQ(shader->begin(), 1);
    shader->end();

    dir.write("edited.fx", "sort = sideways ;\n" + pass);
    EXPECT_NE(messageOf<gr::GraphicsException>([&] { context().reloadShaders(); }).find("Unknown sort mode"),
              std::string::npos);
    EXPECT_EQ(shader->sortMode(), 1); // the last good file still holds
    EXPECT_EQ(shader->begin(), 1);
    shader->end();
}

TEST_F(WindowTest, FixedFunctionTemplatesDrawPrimitives)
{
    lang::Array<int> gl1;
    gl1.add(6);
    open(480, 320, gl1);
    ASSERT_EQ(context().kind(), 6);
    EXPECT_EQ(messageOf<gr::GraphicsException>([&] { context().getShader("shaders/2d-sprite", 0); }),
              "Shader template 2d-sprite not found");

    lang::Ptr<gr::Shader> premultiplied = context().getShader("shaders/sprite-alpha", 0);
    premultiplied->begin();
    premultiplied->beginPass(0);
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    premultiplied->endPass();
    premultiplied->end();

    // A quad over x -0.5..0 in red; SCALEBIAS (2, 1, 0, 0) moves it to 0..1.
    lang::Ptr<gr::Shader> plain = context().getShader("shaders/unlit-plain", 0);
    const float red[4] = {1, 0, 0, 1};
    plain->setVector("DIFFUSEC", red);
    gr::VertexFormat format;
    format.set(gr::DT_POSITION, gr::DF_V3_32);
    lang::Ptr<gr::Primitive> quad = context().createPrimitive(gr::Primitive::TRIANGLE_STRIP, format, 4, 0);
    const float corners[16] = {-0.5f, 1, 0, 1, 0, 1, 0, 1, -0.5f, -1, 0, 1, 0, -1, 0, 1};
    quad->setPositions(0, corners, 4);
    quad->setShader(plain.ptr());
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    context().setTransform(identity);
    auto draw = [&] {
        context().clear(0xff000000, true, true, false);
        plain->begin();
        plain->beginPass(0);
        quad->render();
        plain->endPass();
        plain->end();
    };
    draw();
    EXPECT_PRED2(near, pixel(context(), 180, 160), (std::vector<int>{255, 0, 0}));
    EXPECT_PRED2(near, pixel(context(), 360, 160), (std::vector<int>{0, 0, 0}));
    const float doubled[4] = {2, 1, 0, 0};
    plain->setVector("SCALEBIAS", doubled);
    draw();
    EXPECT_PRED2(near, pixel(context(), 180, 160), (std::vector<int>{0, 0, 0}));
    EXPECT_PRED2(near, pixel(context(), 360, 160), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(context().statistics().triangles, 4); // two strips of two
}
