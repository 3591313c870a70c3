#include "gr/EffectParser.h"
#include "gr/GraphicsException.h"

#include "Failure.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using gr::EffectParser;

namespace {

/// Records what the parser hands on.
class Recorder : public gr::EffectBuilder
{
public:
    std::vector<std::string> events;
    gr::RenderState last;
    void vertexShader(const lang::String& source, const lang::String& file) override
    {
        events.push_back("vs " + file.str() + ": " + source.str());
    }
    void fragmentShader(const lang::String& source, const lang::String& file) override
    {
        events.push_back("fs " + file.str() + ": " + source.str());
    }
    void endPass(const lang::String& technique, const lang::String& pass, const gr::RenderState& state) override
    {
        events.push_back("pass " + technique.str() + "/" + pass.str());
        last = state;
    }
};

class Effects : public ::testing::Test
{
protected:
    TempDir dir;
    Recorder recorder;
    EffectParser parser;

    void SetUp() override
    {
        dir.write("v.glsl", "void main() {}");
        dir.write("f.glsl", "void main() { gl_FragColor = vec4(1.0); }");
    }
    void parse(const std::string& text)
    {
        dir.write("e.fx", text);
        parser.parse(lang::String(dir / "e.fx"), recorder);
    }
    std::string failure(const std::string& text)
    {
        const std::string message = messageOf<gr::GraphicsException>([&] { parse(text); });
        const std::string prefix = "Error in effect: " + (dir / "e.fx") + "\n\n";
        return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
    }
};

} // namespace

TEST_F(Effects, PropertiesTechniquesAndPasses)
{
    parse("priority = 300 ;\nsort = backtofront ;\n"
          "technique Default {\n"
          "  pass P0 {\n"
          "    VertexShader = v.glsl ;\n    PixelShader = f.glsl ;\n"
          "    EnableBlending = TRUE ; BlendFuncSrc = SRC_ALPHA ; BlendFuncDst = ONE_MINUS_SRC_ALPHA ;\n"
          "    BlendEquation = FUNC REVERSE SUBTRACT ; DepthFunc = LEQUAL ; EnableCulling = FALSE ;\n"
          "  }\n"
          "}\n");
    EXPECT_EQ(parser.priority(), 44); // 300 kept in 8 bits
    EXPECT_EQ(parser.sortMode(), EffectParser::SORT_BACKTOFRONT);
    ASSERT_EQ(parser.techniques().size(), 1u);
    EXPECT_EQ(parser.techniques()[0].name, "Default");
    EXPECT_EQ(recorder.events.back(), "pass Default/P0");
    EXPECT_EQ(recorder.last.blendEnable, 1);
    EXPECT_EQ(recorder.last.blendSource, 0x0302);
    EXPECT_EQ(recorder.last.blendDestination, 0x0303);
    EXPECT_EQ(recorder.last.blendEquation, 0x800B);
    EXPECT_EQ(recorder.last.depthFunction, 0x0203);
    EXPECT_EQ(recorder.last.cullEnable, 0);
    EXPECT_EQ(recorder.last.cullFace, 0x0405); // untouched keys keep the defaults
}

TEST_F(Effects, MessagesCarryLineNumbers)
{
    // Blank lines and lines ending in ";", "{" or "}" all count.
    EXPECT_EQ(failure("\n\ntechnique T {\n pass P {\n  VertexShader = v.glsl ;\n\n }\n}\n"),
              "Line 7: Pass missing pixel shader!");
    EXPECT_EQ(failure("priority = 1 ;\n}\n"), "Line 2: Unexpected '}' encountered");
    EXPECT_EQ(failure("colour = red ;"), "Unknown property for shader: colour");
    EXPECT_EQ(failure("sort = sideways ;"), "Unknown sort mode sideways");
    EXPECT_EQ(failure("priority 3 ; x"), "Line 1: Malformed property! Expecting '=' instead of 3");
    EXPECT_EQ(failure("priority 3 ;"), "Line 1: Unexpected EOF while parsing property");
    EXPECT_EQ(failure("priority = 3\ntechnique"), "Line 2: Malformed property! Expecting ';' instead of technique");
    EXPECT_EQ(failure("technique T ("), "Line 1: Expected '{' instead of: (");
    EXPECT_EQ(failure("technique T {\n  draw"), "Line 2: Unexpected token 'draw', expecting 'pass'");
    EXPECT_EQ(failure("technique T { pass P { VertexShader = v.glsl ; PixelShader = f.glsl ; Wobble = TRUE ; } }"),
              "Unsupported key \"Wobble\"");
    EXPECT_EQ(failure("technique T { pass P { EnableCulling = MAYBE ; } }"), "Unsupported value \"MAYBE\"");
    EXPECT_EQ(failure("technique T { pass P {"), "Unexpected EOF while parsing file");
    EXPECT_EQ(failure("#\n"), "Line 1: Unexpected EOF while parsing pre-prosessor directive");
    EXPECT_EQ(failure("# error x"), "Line 1: Unsupported pre-prosessor directive error");
}

TEST_F(Effects, PreprocessorScopes)
{
    parse("#define OUTER\n"
          "technique T {\n"
          "  #define FAST\n"
          "  pass P {\n"
          "    #define INNER\n"
          "    VertexShader = v.glsl ;\n"
          "    PixelShader = f.glsl ;\n"
          "  }\n"
          "  pass Q {\n"
          "    # ifdef INNER VertexShader = nothing.glsl ; # endif\n"
          "    # ifdef FAST VertexShader = v.glsl ; # else PixelShader = nothing.glsl ; # endif\n"
          "    PixelShader = f.glsl ;\n"
          "  }\n"
          "}\n");
    ASSERT_EQ(recorder.events.size(), 6u);
    // Directive lines of every open scope, outermost first, lead the stage source.
    EXPECT_EQ(recorder.events[0], "vs v.glsl: #define OUTER\n#define FAST\n#define INNER\nvoid main() {}");
    EXPECT_EQ(recorder.events[3], "vs v.glsl: #define OUTER\n#define FAST\nvoid main() {}");
}

TEST_F(Effects, IncludesAndCycles)
{
    dir.write("common.glsl", "float common;");
    dir.write("v2.glsl", "#include \"common.glsl\"\nvoid main() {}");
    parse("technique T { pass P { VertexShader = v2.glsl ; PixelShader = f.glsl ; } }");
    EXPECT_EQ(recorder.events[0], "vs v2.glsl: float common;\nvoid main() {}");
    dir.write("a.fxh", "#include \"b.fxh\"\n");
    dir.write("b.fxh", "#include \"a.fxh\"\n");
    EXPECT_EQ(failure("#include \"a.fxh\"\n").rfind("File " + (dir / "e.fx") + " contains cyclic dependencies (", 0), 0u);
    dir.write("twice.fxh", "priority = 1 ;\n");
    EXPECT_NE(failure("#include \"twice.fxh\"\n#include \"twice.fxh\"\n").find("cyclic dependencies"), std::string::npos);
    EXPECT_EQ(failure("#include nothing\n"), "File " + (dir / "e.fx") + ": Malformed #include!");
}

TEST_F(Effects, NestedIncludeResolvesAgainstTheIncludingFilesFolder)
{
    ASSERT_EQ(mkdir((dir / "lib").c_str(), 0755), 0);
    dir.write("lib/outer.glsl", "#include \"inner.glsl\"\nfloat outer;");
    dir.write("lib/inner.glsl", "float inner;");
    dir.write("inner.glsl", "float wrong;"); // beside the effect, not beside outer.glsl
    dir.write("v3.glsl", "#include \"lib/outer.glsl\"\nvoid main() {}");
    parse("technique T { pass P { VertexShader = v3.glsl ; PixelShader = f.glsl ; } }");
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(recorder.events[0], "vs v3.glsl: float inner;\nfloat outer;\nvoid main() {}");
    // The effect file's own includes nest the same way.
    dir.write("lib/states.fxh", "#include \"priority.fxh\"\n");
    dir.write("lib/priority.fxh", "priority = 7 ;\n");
    parse("#include \"lib/states.fxh\"\n");
    EXPECT_EQ(parser.priority(), 7);
}
