#include "framework/WindowFixture.h"

#include "Failure.h"

#include "TempDir.h"
#include "gr/GraphicsException.h"
#include "gr/gl/GL_Shader.h"

#include <GL/glew.h>

namespace {

const std::string kShaders = TEST_SOURCE_DIR "/../share/effects/";

} // namespace

TEST_F(WindowTest, TheTwoDimensionalEffectsCompile)
{
    open();
    if (context().kind() != 7)
        GTEST_SKIP() << "effect files need the shader renderer";
    for (const char* name : {"2d-sprite", "2d-sprite-alpha", "2d-vertexcolor", "2d-vertexcolor-alpha",
                             "2d-sprite-alpha-masked"}) {
        lang::Ptr<gr::Shader> shader = context().getShader(lang::String(kShaders + name), 0);
        EXPECT_TRUE(shader->isActive()) << name;
        EXPECT_EQ(shader->begin(), 1) << name;
        shader->beginPass(0);
        auto* program = static_cast<gr::GL_Shader&>(*shader).currentProgram();
        ASSERT_NE(program, nullptr);
        EXPECT_GE(program->attribute(0), 0) << name; // DT_POSITION
        EXPECT_GE(program->uniform("PROJTM"), 0) << name;
        shader->endPass();
        shader->end();
    }
    EXPECT_EQ(context().shadersHandedOut(), 5);
}

TEST_F(WindowTest, ParametersAreSentOnlyWhenChanged)
{
    open();
    if (context().kind() != 7)
        GTEST_SKIP() << "effect files need the shader renderer";
    lang::Ptr<gr::Shader> shader = context().getShader(lang::String(kShaders + "2d-vertexcolor-alpha"), 0);
    lang::Ptr<gr::Shader> clone = context().getShader(lang::String(kShaders + "2d-vertexcolor-alpha"), 0);
    EXPECT_NE(shader.ptr(), clone.ptr()); // a clone sharing the techniques
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    shader->setMatrixById(gr::Shader::ID_PROJTM, identity);
    shader->setFloat("ALPHA_FACTOR", 0.5f);
    shader->setFloat("UNUSED", 3); // no pass has it: harmless
    shader->begin();
    shader->beginPass(0);
    const auto* program = static_cast<gr::GL_Shader&>(*shader).currentProgram();
    const int sent = program->uploads();
    EXPECT_EQ(sent, 2);
    shader->endPass();
    shader->beginPass(0); // nothing changed: nothing sent
    EXPECT_EQ(program->uploads(), sent);
    shader->setFloat("ALPHA_FACTOR", 0.25f);
    shader->beginPass(0);
    EXPECT_EQ(program->uploads(), sent + 1);
    EXPECT_EQ(shader->getFloat("ALPHA_FACTOR"), 0.25f);
    shader->endPass();

    shader->setTechnique("Missing");
    EXPECT_FALSE(shader->isActive());
    EXPECT_EQ(shader->begin(), 0);
    shader->setTechnique("");
    EXPECT_TRUE(shader->isActive());
}

TEST_F(WindowTest, GlslErrorsAreReported)
{
    open();
    if (context().kind() != 7)
        GTEST_SKIP() << "effect files need the shader renderer";
    TempDir dir;
    dir.write("bad.vsh", "void main() { this is not glsl }");
    dir.write("ok.fsh", "void main() { gl_FragColor = vec4(1.0); }");
    dir.write("bad.fx", "technique Default { pass P { VertexShader = bad.vsh ; PixelShader = ok.fsh ; } }");
    const std::string message = messageOf<gr::GraphicsException>([&] { context().getShader(lang::String(dir / "bad"), 0); });
    EXPECT_EQ(message.rfind("Error in effect: " + (dir / "bad.fx") + "\n\nFailed to compile vertex shader: bad.vsh\n\n", 0), 0u)
        << message;
    EXPECT_EQ(context().shadersHandedOut(), 0);
}
