#include "gr/gl/GL_Shader.h"

#include "gr/Context.h"
#include "gr/EffectParser.h"
#include "gr/GraphicsException.h"
#include "gr/gl/GL_ProgramCache.h"
#include "gr/gl/GL_StateCache.h"
#include "gr/gl/GL_Texture.h"

#include <cstring>

using lang::Format;
using lang::String;

namespace gr {

namespace {

const char* const kAttributeNames[12] = {"DT_POSITION", "DT_POSITIONT", "DT_BONEWEIGHTS", "DT_BONEINDICES",
                                         "DT_NORMAL", "DT_DIFFUSE", "DT_SPECULAR", "DT_TEX0", "DT_TEX1",
                                         "DT_TEX2", "DT_TEX3", "DT_TANGENT"};

String infoLog(GLuint object, bool program)
{
    GLint length = 0;
    if (program)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    if (program)
        glGetProgramInfoLog(object, length, nullptr, &log[0]);
    else
        glGetShaderInfoLog(object, length, nullptr, &log[0]);
    log.resize(std::strlen(log.c_str()));
    return String(log);
}

/// Makes each pass's program at the pass's end: from the binary kept for its two sources
/// when there is one, else compiled and linked, and then kept.
class Builder : public EffectBuilder
{
public:
    std::vector<GL_Shader::Pass> passes; ///< in file order

    explicit Builder(const String& programCache) : m_cache(programCache) {}

    void vertexShader(const String& source, const String& file) override { m_vertex = {source, file, true}; }
    void fragmentShader(const String& source, const String& file) override { m_fragment = {source, file, true}; }
    void endPass(const String&, const String& pass, const RenderState& state) override
    {
        const Stage vertex = m_vertex, fragment = m_fragment;
        m_vertex = m_fragment = Stage();
        lang::Ptr<GL_Program> program;
        const std::string key = vertex.given && fragment.given && m_cache.enabled()
                                    ? GL_ProgramCache::key(vertex.source.str(), fragment.source.str())
                                    : std::string();
        if (GLuint linked = key.empty() ? 0 : m_cache.load(key)) {
            program = new GL_Program(linked);
        } else {
            // A stage the pass lacks stays 0, and the link says so.
            const GLuint v = vertex.given ? compile(GL_VERTEX_SHADER, vertex.source, vertex.file,
                                                    "Failed to compile vertex shader: {0}\n\n{1}")
                                          : 0;
            GLuint f = 0;
            try {
                if (fragment.given)
                    f = compile(GL_FRAGMENT_SHADER, fragment.source, fragment.file,
                                "Failed to compile fragment shader: {0}\n\n{1}");
            } catch (...) {
                glDeleteShader(v);
                throw;
            }
            program = new GL_Program(v, f); // owns them now
            if (!key.empty())
                m_cache.store(program->program(), key);
        }
        GL_Shader::Pass record{pass, state, program};
        record.state.program = program->program();
        passes.push_back(record);
    }

private:
    struct Stage
    {
        String source, file;
        bool given = false;
    };
    Stage m_vertex, m_fragment;
    GL_ProgramCache m_cache;

    static GLuint compile(GLenum stage, const String& source, const String& file, const char* message)
    {
        GLuint shader = glCreateShader(stage);
        const char* text = source.c_str();
        glShaderSource(shader, 1, &text, nullptr);
        glCompileShader(shader);
        GLint ok = GL_FALSE;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            String log = infoLog(shader, false);
            glDeleteShader(shader);
            throw GraphicsException(Format(message, file, log));
        }
        return shader;
    }
};

} // namespace

GL_Program::GL_Program(GLuint vertex, GLuint fragment) : m_vertex(vertex), m_fragment(fragment)
{
    m_program = glCreateProgram();
    glAttachShader(m_program, vertex);
    glAttachShader(m_program, fragment);
    if (GL_ProgramCache::supported())
        glProgramParameteri(m_program, GL_PROGRAM_BINARY_RETRIEVABLE_HINT, GL_TRUE);
    glLinkProgram(m_program);
    GLint ok = GL_FALSE;
    glGetProgramiv(m_program, GL_LINK_STATUS, &ok);
    if (!ok) {
        String log = infoLog(m_program, true);
        glDeleteProgram(m_program);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        throw GraphicsException(Format("Failed to link shader!\n\n{0}", log));
    }
    describe();
}

GL_Program::GL_Program(GLuint linked) : m_vertex(0), m_fragment(0), m_program(linked)
{
    describe();
}

void GL_Program::describe()
{
    GL_StateCache::get().useProgram(m_program);
    for (int i = 0; i < 12; ++i)
        m_attributes[i] = glGetAttribLocation(m_program, kAttributeNames[i]);
    GLint count = 0;
    glGetProgramiv(m_program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i) {
        char name[33] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(m_program, static_cast<GLuint>(i), sizeof(name), nullptr, &size, &type, name);
        std::string key = name;
        const size_t bracket = key.find('[');
        if (bracket != std::string::npos)
            key.resize(bracket);
        m_uniforms[key] = glGetUniformLocation(m_program, name);
        // An array is listed once, as "NAME[0]"; parameters reach its elements by their
        // own names ("BONEWORLDTM[2]", see Shader::setMatrixArrayById), whose locations GL
        // need not place one after another.
        for (GLint element = 0; bracket != std::string::npos && element < size; ++element) {
            const std::string indexed = key + "[" + std::to_string(element) + "]";
            m_uniforms[indexed] = glGetUniformLocation(m_program, indexed.c_str());
        }
    }
}

GL_Program::~GL_Program()
{
    glDeleteProgram(m_program);
    glDeleteShader(m_vertex);
    glDeleteShader(m_fragment);
}

GLint GL_Program::uniform(const String& name) const
{
    auto found = m_uniforms.find(name.str());
    return found == m_uniforms.end() ? -1 : found->second;
}

bool GL_Program::changed(GLint location, const float* value, int count)
{
    std::vector<float>& sent = m_sent[location];
    if (static_cast<int>(sent.size()) == count && std::memcmp(sent.data(), value, sizeof(float) * count) == 0)
        return false;
    sent.assign(value, value + count);
    ++m_uploads;
    return true;
}

void GL_Program::uploadFloat(GLint location, float value)
{
    if (location >= 0 && changed(location, &value, 1))
        glUniform1f(location, value);
}

void GL_Program::uploadVector(GLint location, const float value[4])
{
    if (location >= 0 && changed(location, value, 4))
        glUniform4fv(location, 1, value);
}

void GL_Program::uploadMatrix(GLint location, const float value[16])
{
    // The engine's matrices are rows of four; GL reads columns unless told to transpose.
    if (location >= 0 && changed(location, value, 16))
        glUniformMatrix4fv(location, 1, GL_TRUE, value);
}

void GL_Program::uploadTextureUnit(GLint location, int unit)
{
    const float value = static_cast<float>(unit);
    if (location >= 0 && changed(location, &value, 1))
        glUniform1i(location, unit);
}

GL_Shader::GL_Shader(Context* context, const String& path, int flags)
    : m_context(context), m_techniques(new Techniques), m_flags(flags)
{
    m_sortContext = context;
    setFileName(path);
    load();
    m_technique = 0;
    m_active = !m_techniques->list.empty();
}

void GL_Shader::load()
{
    EffectParser parser;
    Builder builder(m_context ? m_context->programCacheDirectory() : String());
    parser.parse(fileName(), builder);
    // Passes arrive in file order; the parser's techniques say how many each has.
    std::vector<Technique> list;
    size_t next = 0;
    const std::vector<Pass>& passes = builder.passes;
    for (const auto& technique : parser.techniques()) {
        Technique t{technique.name, {}};
        for (size_t i = 0; i < technique.passes.size() && next < passes.size(); ++i)
            t.passes.push_back(passes[next++]);
        list.push_back(t);
    }
    // Only a file that parsed and linked replaces what the shader and its clones share.
    m_techniques->list = std::move(list);
    m_currentPass = nullptr;
    m_priority = parser.priority();
    m_sortMode = parser.sortMode();
    if (parser.moveUV()) {
        const float zero[4] = {0, 0, 0, 0};
        setVector("TEX0_OFFSET", zero);
    }
}

void GL_Shader::reload()
{
    const String technique = m_active && m_technique < static_cast<int>(m_techniques->list.size())
                                 ? m_techniques->list[static_cast<size_t>(m_technique)].name
                                 : String("Default");
    load();
    setTechnique(technique);
}

GL_Shader::GL_Shader(const GL_Shader& other)
    : Shader(), m_context(other.m_context), m_techniques(other.m_techniques), m_flags(other.m_flags)
{
    m_sortContext = other.m_sortContext;
    setFileName(other.fileName());
    m_priority = other.m_priority;
    m_sortMode = other.m_sortMode;
    m_active = !m_techniques->list.empty();
}

lang::Ptr<Shader> GL_Shader::clone() const
{
    return new GL_Shader(*this);
}

void GL_Shader::setTechnique(const String& name)
{
    const String wanted = name.isEmpty() ? String("Default") : name;
    for (size_t i = 0; i < m_techniques->list.size(); ++i) {
        if (m_techniques->list[i].name == wanted) {
            m_technique = static_cast<int>(i);
            m_active = true;
            return;
        }
    }
    m_technique = 255;
    m_active = false;
}

bool GL_Shader::hasTechnique(const String& name) const
{
    for (const Technique& technique : m_techniques->list)
        if (technique.name == name)
            return true;
    return false;
}

int GL_Shader::begin()
{
    // Pending 2D drawing goes first: it would otherwise run inside this shader's passes.
    if (m_context)
        m_context->flush();
    // A clone's technique may have gone when the shared techniques were reloaded.
    if (!m_active || m_technique >= static_cast<int>(m_techniques->list.size()))
        return 0;
    return static_cast<int>(m_techniques->list[static_cast<size_t>(m_technique)].passes.size());
}

void GL_Shader::beginPass(int index)
{
    if (m_technique >= static_cast<int>(m_techniques->list.size()))
        return;
    const Technique& technique = m_techniques->list[static_cast<size_t>(m_technique)];
    if (index < 0 || index >= static_cast<int>(technique.passes.size()))
        return;
    m_currentPass = &technique.passes[static_cast<size_t>(index)];
    const RenderState& s = m_currentPass->state;
    GL_StateCache& cache = GL_StateCache::get();
    cache.setCull(s.cullEnable, s.cullFace);
    cache.setDepthTest(s.depthTestEnable, s.depthFunction);
    cache.setDepthMask(s.depthWriteEnable);
    cache.setBlend(s.blendEnable, s.blendEquation, s.blendSource, s.blendDestination);
    cache.useProgram(s.program);

    GL_Program& program = *m_currentPass->program;
    for (const FloatParam& p : m_floats)
        program.uploadFloat(program.uniform(p.name), p.value);
    for (const VectorParam& p : m_vectors)
        program.uploadVector(program.uniform(p.name), p.value);
    for (const MatrixParam& p : m_matrices)
        program.uploadMatrix(program.uniform(p.name), p.value);
    int unit = 0;
    for (const TextureParam& p : m_textures) {
        auto* texture = static_cast<GL_Texture*>(p.texture.ptr());
        cache.bindTexture(unit, texture ? texture->glTexture() : 0);
        program.uploadTextureUnit(program.uniform(p.name), unit);
        ++unit;
    }
}

void GL_Shader::endPass()
{
    m_currentPass = nullptr;
    GL_StateCache::get().useProgram(0);
}

} // namespace gr
