#pragma once

#include "gr/gl/GL_ContextBase.h"

namespace gr {

/// The shader renderer (kind 7): OpenGL 2.0 with GLSL 1.20.
class GL_Context : public GL_ContextBase
{
public:
    /// Creates the context on window; throws GraphicsException with the reason
    /// ("OpenGL 2.0 is not supported", "GLSL 1.20 is not supported", ...).
    GL_Context(SDL_Window* window, int orientation);

    int kind() const override { return KIND_GL2; }

    /// Whether a GL_SHADING_LANGUAGE_VERSION text is at least 1.20 (a text without a "."
    /// passes).
    static bool supportsGLSL120(const char* version);

protected:
    lang::Ptr<Shader> loadShader(const lang::String& path, int flags) override;
};

} // namespace gr
