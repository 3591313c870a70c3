#include "gr/gl1/GL1_Context.h"

#include "gr/GraphicsException.h"

#include <GL/glew.h>

namespace gr {

GL1_Context::GL1_Context(SDL_Window* window, int orientation) : GL_ContextBase(window)
{
    if (!GLEW_VERSION_1_3)
        throw GraphicsException(lang::Format("OpenGL 1.3 is not supported"));
    finishCreation(orientation);
}

} // namespace gr
