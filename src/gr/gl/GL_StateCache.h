#pragma once

#include <GL/glew.h>

namespace gr {

/// What was last sent to OpenGL, so that unchanged state is never sent again. One record
/// for the process, shared by both OpenGL context kinds: it assumes one current context.
class GL_StateCache
{
public:
    static GL_StateCache& get();

    /// Sends the default render state to GL whatever the record says, and records it.
    void applyDefaults();

    void setViewport(const int rect[4]);
    void setScissor(const int rect[4]);
    void setClearColor(const float rgba[4]);
    void setDepthMask(bool on);
    void setLineWidth(float width);
    void setActiveTexture(GLenum unit);
    void bindTexture(int unit, GLuint texture);
    /// A deleted texture is unbound by GL itself: the record follows.
    void forgetTexture(GLuint texture);
    void setCull(bool on, GLenum face);
    void setDepthTest(bool on, GLenum function);
    void setBlend(bool on, GLenum equation, GLenum source, GLenum destination);
    void useProgram(GLuint program);

    bool depthMask() const { return m_depthMask; }
    /// Whether a draw may have written depth since forgetDepthWrites(): depth test and depth
    /// writes were on together at some moment.
    bool depthWritesPossible() const { return m_depthWrites; }
    /// Starts watching for depth writes afresh, after the depth buffer was cleared whole.
    void forgetDepthWrites() { m_depthWrites = m_depthTest && m_depthMask; }
    /// GL calls made through the cache since the process started; the skipped ones are
    /// not counted, which is how tests see that unchanged state costs nothing.
    long calls() const { return m_calls; }

private:
    int m_viewport[4] = {-1, -1, -1, -1};
    int m_scissor[4] = {-1, -1, -1, -1};
    float m_clearColor[4] = {-1, -1, -1, -1};
    bool m_depthMask = true;
    float m_lineWidth = -1;
    GLenum m_activeTexture = 0;
    GLuint m_textures[8] = {};
    bool m_cull = false;
    GLenum m_cullFace = 0;
    bool m_depthTest = false;
    GLenum m_depthFunction = 0;
    bool m_depthWrites = true;
    bool m_blend = false;
    GLenum m_blendEquation = 0, m_blendSource = 0, m_blendDestination = 0;
    GLuint m_program = 0;
    long m_calls = 0;
};

} // namespace gr
