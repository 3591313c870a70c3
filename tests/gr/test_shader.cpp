#include "framework/WindowFixture.h"

#include "Failure.h"

#include "TempDir.h"
#include "gr/GraphicsException.h"
#include "gr/gl/GL_ProgramCache.h"
#include "gr/gl/GL_Shader.h"
#include "gr/gl/GL_StateCache.h"

#include <GL/glew.h>

#include <filesystem>

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

TEST_F(WindowTest, MatrixArraysReachTheirArrayUniform)
{
    open();
    if (context().kind() != 7)
        GTEST_SKIP() << "effect files need the shader renderer";
    TempDir dir;
    // Every element is read, so the compiler keeps all three.
    dir.write("bones.vsh", "#version 120\nuniform mat4 BONEWORLDTM[3];\nattribute vec3 DT_POSITION;\n"
                           "void main() { gl_Position = BONEWORLDTM[0] * BONEWORLDTM[1] * BONEWORLDTM[2] * "
                           "vec4(DT_POSITION, 1.0); }");
    dir.write("ok.fsh", "void main() { gl_FragColor = vec4(1.0); }");
    dir.write("bones.fx", "technique Default { pass P { VertexShader = bones.vsh ; PixelShader = ok.fsh ; } }");
    lang::Ptr<gr::Shader> shader = context().getShader(lang::String(dir / "bones"), 0);
    float bones[3 * 16];
    for (int i = 0; i < 3 * 16; ++i)
        bones[i] = static_cast<float>(i + 1);
    shader->setMatrixArrayById(gr::Shader::ID_BONEWORLDTM, bones, 3);
    ASSERT_EQ(shader->begin(), 1);
    shader->beginPass(0);
    const GLuint program = static_cast<gr::GL_Shader&>(*shader).currentProgram()->program();
    for (int i = 0; i < 3; ++i) {
        const std::string element = "BONEWORLDTM[" + std::to_string(i) + "]";
        const GLint location = glGetUniformLocation(program, element.c_str());
        ASSERT_GE(location, 0) << element;
        float columns[16] = {};
        glGetUniformfv(program, location, columns);
        // GL hands columns back; the engine's matrices are rows.
        std::vector<float> rows(16);
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column)
                rows[size_t(row * 4 + column)] = columns[column * 4 + row];
        EXPECT_EQ(rows, std::vector<float>(bones + i * 16, bones + i * 16 + 16)) << element;
    }
    shader->endPass();
    shader->end();
}

namespace {

/// Draws a triangle over the whole window with the shader's first pass and reads the
/// colour in the middle, so that a program from a stored binary is seen to work.
uint32_t drawnColour(gr::Context& context, gr::Shader& shader)
{
    context.clear(0xff000000, true, true, false);
    shader.begin();
    shader.beginPass(0);
    const gr::GL_Program* program = static_cast<gr::GL_Shader&>(shader).currentProgram();
    gr::GL_StateCache& state = gr::GL_StateCache::get();
    state.setCull(false, GL_BACK);
    state.setDepthTest(false, GL_LESS);
    state.setBlend(false, GL_FUNC_ADD, GL_ONE, GL_ZERO);
    state.useProgram(program->program());
    const float corners[] = {-1, -1, 3, -1, -1, 3};
    const GLint position = program->attribute(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableVertexAttribArray(static_cast<GLuint>(position));
    glVertexAttribPointer(static_cast<GLuint>(position), 2, GL_FLOAT, GL_FALSE, 0, corners);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glDisableVertexAttribArray(static_cast<GLuint>(position));
    shader.endPass();
    shader.end();
    uint8_t rgba[4] = {};
    glReadPixels(240, 160, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return uint32_t(rgba[0]) << 24 | uint32_t(rgba[1]) << 16 | uint32_t(rgba[2]) << 8 | rgba[3];
}

int keptPrograms(const TempDir& dir)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        count += entry.path().filename().string().rfind("program-", 0) == 0;
    return count;
}

} // namespace

TEST_F(WindowTest, LinkedProgramsAreKeptAndMadeAgainFromTheirBinaries)
{
    open();
    if (context().kind() != 7 || !gr::GL_ProgramCache::supported())
        GTEST_SKIP() << "the driver hands out no program binaries";
    TempDir dir, cache;
    context().setProgramCacheDirectory(lang::String(cache.path()));
    dir.write("flat.vsh", "#version 120\nattribute vec2 DT_POSITION;\n"
                          "void main() { gl_Position = vec4(DT_POSITION, 0.0, 1.0); }");
    dir.write("flat.fsh", "#version 120\nvoid main() { gl_FragColor = vec4(1.0, 0.5, 0.0, 1.0); }");
    dir.write("flat.fx", "technique Default { pass P { VertexShader = flat.vsh ; PixelShader = flat.fsh ; } }");
    const int before = gr::GL_ProgramCache::loaded();

    // The first load compiles and keeps the program; the next is made from what was kept.
    lang::Ptr<gr::Shader> shader = context().getShader(lang::String(dir / "flat"), 0);
    EXPECT_EQ(gr::GL_ProgramCache::loaded(), before);
    EXPECT_EQ(keptPrograms(cache), 1);
    const uint32_t compiled = drawnColour(context(), *shader);
    EXPECT_EQ(compiled, 0xff8000ffu);
    shader->reload();
    EXPECT_EQ(gr::GL_ProgramCache::loaded(), before + 1);
    EXPECT_EQ(drawnColour(context(), *shader), compiled);

    // A torn or foreign entry costs a compile, and is written again.
    for (const auto& entry : std::filesystem::directory_iterator(cache.path()))
        cache.write(entry.path().filename().string(), "PELTERRA PROGRAM 1\n\x05");
    shader->reload();
    EXPECT_EQ(gr::GL_ProgramCache::loaded(), before + 1);
    EXPECT_EQ(drawnColour(context(), *shader), compiled);
    shader->reload();
    EXPECT_EQ(gr::GL_ProgramCache::loaded(), before + 2);

    // Changed sources are never served the old binary.
    dir.write("flat.fsh", "#version 120\nvoid main() { gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0); }");
    shader->reload();
    EXPECT_EQ(gr::GL_ProgramCache::loaded(), before + 2);
    EXPECT_EQ(drawnColour(context(), *shader), 0x0000ffffu);
    EXPECT_EQ(keptPrograms(cache), 2);

    // A cache that can't be written is said once; the effect works as ever.
    context().setProgramCacheDirectory(lang::String(dir / "flat.fx/"));
    shader->reload();
    shader->reload();
    EXPECT_EQ(drawnColour(context(), *shader), 0x0000ffffu);
    const std::string said = log.text();
    const size_t first = said.find("Can't keep linked programs in " + (dir / "flat.fx/"));
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find("Can't keep linked programs", first + 1), std::string::npos) << said;
}
