#pragma once

#include "gr/gl/GL_ContextBase.h"
#include "gr/gl1/GL1_Shader.h"

#include <vector>

namespace gr {

/// The fixed-function fallback (kind 6) for drivers without OpenGL 2.0 or GLSL 1.20.
class GL1_Context : public GL_ContextBase
{
public:
    /// Creates the context on window; throws GraphicsException ("OpenGL 1.3 is not supported", ...).
    GL1_Context(SDL_Window* window, int orientation);

    int kind() const override { return KIND_GL1; }

protected:
    void drawBatch(Batch2D& batch) override { drawBatchFixedFunction(batch); }
    void renderPrimitive(Primitive& primitive) override { renderPrimitiveFixedFunction(primitive); }
    /// A new instance of the built-in template named by the path's base name.
    lang::Ptr<Shader> loadShader(const lang::String& path, int flags) override;

private:
    std::vector<lang::Ptr<GL1_Shader_Default::Shared>> m_templates;
};

} // namespace gr
