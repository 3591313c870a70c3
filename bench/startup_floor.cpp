// The least any program needs on this machine to show one drawn frame: SDL's window, a GL
// context, one compiled effect, one uploaded image and one draw, presented. bench/startup.py
// times it beside the game, so that the game's start-up is read against what the machine's
// window system and GL driver take before a game could do anything of its own.
//
//     startup_floor        prints "First frame drawn" once its frame is presented, and exits

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <vector>

namespace {

GLuint compile(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    return compiled == GL_TRUE ? shader : 0;
}

int fail(const char* what)
{
    std::fprintf(stderr, "startup_floor: %s failed: %s\n", what, SDL_GetError());
    return 1;
}

} // namespace

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail("SDL_Init");
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("startup_floor", 0, 0, 1024, 768, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (!window)
        return fail("SDL_CreateWindow");
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context || glewInit() != GLEW_OK)
        return fail("the GL context");

    const GLuint vertex = compile(GL_VERTEX_SHADER, "#version 120\n"
                                                    "attribute vec2 position;\n"
                                                    "varying vec2 uv;\n"
                                                    "void main() { uv = position * 0.5 + 0.5; "
                                                    "gl_Position = vec4(position, 0.0, 1.0); }\n");
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, "#version 120\n"
                                                        "uniform sampler2D image;\n"
                                                        "varying vec2 uv;\n"
                                                        "void main() { gl_FragColor = texture2D(image, uv); }\n");
    if (!vertex || !fragment)
        return fail("compiling the effect");
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, 0, "position");
    glLinkProgram(program);
    glUseProgram(program);

    // A 256 x 256 image with some alpha, drawn blended over a cleared window, as a sprite is.
    std::vector<unsigned char> pixels(256 * 256 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());

    glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float quad[] = {-0.5f, -0.5f, 0.5f, -0.5f, 0.5f, 0.5f, -0.5f, 0.5f};
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, quad);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    SDL_GL_SwapWindow(window);
    std::printf("First frame drawn\n");
    std::fflush(stdout);

    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
