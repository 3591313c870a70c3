#include "gr/gl/GL_Context.h"

#include "gr/GraphicsException.h"
#include "gr/gl/GL_Shader.h"
#include "lang/Array.h"

#include <GL/glew.h>

#include <cstdlib>

using lang::Format;
using lang::String;

namespace gr {

bool GL_Context::supportsGLSL120(const char* version)
{
    lang::Array<String> parts = String(version ? version : "").split(".");
    if (parts.size() < 2)
        return true;
    int major = std::atoi(parts[0].c_str());
    int minor = std::atoi(parts[1].c_str());
    return !(major < 1 || (major == 1 && minor < 20));
}

GL_Context::GL_Context(SDL_Window* window, int orientation) : GL_ContextBase(window)
{
    // The version flags, not the extension list: a driver limited to GL 1.4 may still
    // announce the shader-object extension without the entry points behind it.
    if (!GLEW_VERSION_2_0)
        throw GraphicsException(Format("OpenGL 2.0 is not supported"));
    const GLubyte* glsl = glGetString(GL_SHADING_LANGUAGE_VERSION);
    if (!supportsGLSL120(reinterpret_cast<const char*>(glsl)))
        throw GraphicsException(Format("GLSL 1.20 is not supported"));
    finishCreation(orientation);
}

lang::Ptr<Shader> GL_Context::loadShader(const String& path, int flags)
{
    return new GL_Shader(this, path, flags);
}

} // namespace gr
