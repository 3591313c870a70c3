#include "gr/gl1/GL1_Context.h"

#include "gr/GraphicsException.h"
#include "io/PathName.h"

#include <GL/glew.h>

namespace gr {

GL1_Context::GL1_Context(SDL_Window* window, int orientation) : GL_ContextBase(window)
{
    if (!GLEW_VERSION_1_3)
        throw GraphicsException(lang::Format("OpenGL 1.3 is not supported"));
    finishCreation(orientation);
    m_templates = GL1_Shader_Default::templates(this);
}

lang::Ptr<Shader> GL1_Context::loadShader(const lang::String& path, int)
{
    const lang::String name = io::PathName(path).basename();
    for (const lang::Ptr<GL1_Shader_Default::Shared>& shared : m_templates)
        if (shared->name == name)
            return new GL1_Shader_Default(shared.ptr());
    throw GraphicsException(lang::Format("Shader template {0} not found", name));
}

} // namespace gr
