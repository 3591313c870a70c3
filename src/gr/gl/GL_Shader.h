#pragma once

#include "gr/RenderState.h"
#include "gr/Shader.h"

#include <GL/glew.h>

#include <map>
#include <string>
#include <vector>

namespace gr {

class Context;

/// One linked GLSL program of a pass, with its attribute locations, its uniforms and the
/// values last sent to them.
class GL_Program : public lang::Object
{
public:
    /// Links the two stages; throws GraphicsException "Failed to link shader!".
    GL_Program(GLuint vertex, GLuint fragment);
    /// Takes over a program already linked (from a stored binary).
    explicit GL_Program(GLuint linked);
    ~GL_Program() override;

    GLuint program() const { return m_program; }
    /// The location of a vertex data type's attribute ("DT_POSITION", ...), or -1.
    GLint attribute(int dataType) const { return m_attributes[dataType]; }
    /// The location of a uniform, or -1. An array answers to its name (its first element)
    /// and to each element's "NAME[i]".
    GLint uniform(const lang::String& name) const;

    // Sends a value unless it equals the last one sent to that location.
    void uploadFloat(GLint location, float value);
    void uploadVector(GLint location, const float value[4]);
    void uploadMatrix(GLint location, const float value[16]);
    void uploadTextureUnit(GLint location, int unit);
    /// Values actually sent since linking, for tests.
    int uploads() const { return m_uploads; }

private:
    GLuint m_vertex, m_fragment, m_program;
    GLint m_attributes[12];
    std::map<std::string, GLint> m_uniforms;
    std::map<GLint, std::vector<float>> m_sent;
    int m_uploads = 0;

    bool changed(GLint location, const float* value, int count);
    void describe();
};

/// A shader loaded from an effect file, with GLSL programs per pass.
class GL_Shader : public Shader
{
public:
    struct Pass
    {
        lang::String name;
        RenderState state;
        lang::Ptr<GL_Program> program;
    };
    struct Technique
    {
        lang::String name;
        std::vector<Pass> passes;
    };
    /// The techniques, shared by a shader and its clones.
    struct Techniques : lang::Object
    {
        std::vector<Technique> list;
    };

    /// Loads the effect file at path; throws GraphicsException "Error in effect: ...".
    /// Its programs come from the context's program cache when it keeps them.
    GL_Shader(Context* context, const lang::String& path, int flags);

    lang::Ptr<Shader> clone() const override;
    void reload() override;
    void setTechnique(const lang::String& name) override;
    bool hasTechnique(const lang::String& name) const override;
    int begin() override;
    void beginPass(int index) override;
    void endPass() override;
    bool isActive() const override { return m_active; }
    int flags() const { return m_flags; }
    const GL_Program* currentProgram() const { return m_currentPass ? m_currentPass->program.ptr() : nullptr; }

private:
    GL_Shader(const GL_Shader& other);
    /// Parses and links the effect file into the shared techniques; throws GraphicsException.
    void load();

    Context* m_context;
    lang::Ptr<Techniques> m_techniques;
    int m_technique = 0;
    bool m_active = true;
    const Pass* m_currentPass = nullptr;
    int m_flags;
};

} // namespace gr
