#include "gr/gl/GL_StateCache.h"

#include <cstring>

namespace gr {

namespace {

void enable(GLenum capability, bool on)
{
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

} // namespace

GL_StateCache& GL_StateCache::get()
{
    static GL_StateCache cache;
    return cache;
}

void GL_StateCache::applyDefaults()
{
    m_cull = true, m_cullFace = GL_BACK;
    enable(GL_CULL_FACE, true);
    glCullFace(GL_BACK);
    m_depthTest = true, m_depthFunction = GL_LESS;
    enable(GL_DEPTH_TEST, true);
    glDepthFunc(GL_LESS);
    m_depthMask = true;
    glDepthMask(GL_TRUE);
    m_depthWrites = true;
    m_blend = false, m_blendSource = GL_ONE, m_blendDestination = GL_ZERO;
    enable(GL_BLEND, false);
    glBlendFunc(GL_ONE, GL_ZERO);
    m_blendEquation = GL_FUNC_ADD;
    if (glBlendEquation)
        glBlendEquation(GL_FUNC_ADD);
    m_program = 0;
    if (glUseProgram)
        glUseProgram(0);
    m_activeTexture = GL_TEXTURE0;
    if (glActiveTexture)
        glActiveTexture(GL_TEXTURE0);
    for (GLuint& texture : m_textures)
        texture = 0;
    std::memset(m_viewport, -1, sizeof(m_viewport));
    std::memset(m_scissor, -1, sizeof(m_scissor));
    for (float& c : m_clearColor)
        c = -1;
    m_lineWidth = -1;
    m_calls += 12;
}

void GL_StateCache::setViewport(const int rect[4])
{
    if (std::memcmp(rect, m_viewport, sizeof(m_viewport)) == 0)
        return;
    std::memcpy(m_viewport, rect, sizeof(m_viewport));
    glViewport(rect[0], rect[1], rect[2], rect[3]);
    ++m_calls;
}

void GL_StateCache::setScissor(const int rect[4])
{
    glEnable(GL_SCISSOR_TEST);
    if (std::memcmp(rect, m_scissor, sizeof(m_scissor)) == 0)
        return;
    std::memcpy(m_scissor, rect, sizeof(m_scissor));
    glScissor(rect[0], rect[1], rect[2], rect[3]);
    ++m_calls;
}

void GL_StateCache::setClearColor(const float rgba[4])
{
    if (std::memcmp(rgba, m_clearColor, sizeof(m_clearColor)) == 0)
        return;
    std::memcpy(m_clearColor, rgba, sizeof(m_clearColor));
    glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    ++m_calls;
}

void GL_StateCache::setDepthMask(bool on)
{
    if (on == m_depthMask)
        return;
    m_depthMask = on;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
    m_depthWrites |= m_depthTest && m_depthMask;
    ++m_calls;
}

void GL_StateCache::setLineWidth(float width)
{
    if (width == m_lineWidth)
        return;
    m_lineWidth = width;
    glLineWidth(width);
    ++m_calls;
}

void GL_StateCache::setActiveTexture(GLenum unit)
{
    if (unit == m_activeTexture)
        return;
    m_activeTexture = unit;
    glActiveTexture(unit);
    ++m_calls;
}

void GL_StateCache::bindTexture(int unit, GLuint texture)
{
    if (unit < 0 || unit >= 8 || m_textures[unit] == texture)
        return;
    setActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    m_textures[unit] = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
    ++m_calls;
}

void GL_StateCache::forgetTexture(GLuint texture)
{
    for (GLuint& bound : m_textures)
        if (bound == texture)
            bound = 0;
}

void GL_StateCache::setCull(bool on, GLenum face)
{
    if (on != m_cull) {
        m_cull = on;
        enable(GL_CULL_FACE, on);
        ++m_calls;
    }
    if (on && face != m_cullFace) {
        m_cullFace = face;
        glCullFace(face);
        ++m_calls;
    }
}

void GL_StateCache::setDepthTest(bool on, GLenum function)
{
    if (on != m_depthTest) {
        m_depthTest = on;
        enable(GL_DEPTH_TEST, on);
        m_depthWrites |= m_depthTest && m_depthMask;
        ++m_calls;
    }
    if (on && function != m_depthFunction) {
        m_depthFunction = function;
        glDepthFunc(function);
        ++m_calls;
    }
}

void GL_StateCache::setBlend(bool on, GLenum equation, GLenum source, GLenum destination)
{
    if (on != m_blend) {
        m_blend = on;
        enable(GL_BLEND, on);
        ++m_calls;
    }
    if (!on)
        return;
    if (equation != m_blendEquation && glBlendEquation) {
        m_blendEquation = equation;
        glBlendEquation(equation);
        ++m_calls;
    }
    if (source != m_blendSource || destination != m_blendDestination) {
        m_blendSource = source;
        m_blendDestination = destination;
        glBlendFunc(source, destination);
        ++m_calls;
    }
}

void GL_StateCache::useProgram(GLuint program)
{
    if (program == m_program)
        return;
    m_program = program;
    glUseProgram(program);
    ++m_calls;
}

} // namespace gr
