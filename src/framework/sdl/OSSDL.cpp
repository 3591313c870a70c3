#include "framework/sdl/OSSDL.h"

#include "framework/App.h"
#include "framework/Config.h"
#include "framework/CursorFile.h"
#include "framework/Framework.h"
#include "framework/sdl/ErrorBox_SDL.h"
#include "gr/GraphicsException.h"
#include "io/FileInputStream.h"
#include "io/IOException.h"
#include "gr/gl/GL_Context.h"
#include "gr/gl1/GL1_Context.h"
#include "img/ImagePrefetch.h"
#include "lang/Debug.h"
#include "lang/ErrorBox.h"
#include "pf/FileSystem.h"
#include "pf/InstanceLock.h"
#include "pf/Process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using lang::Format;
using lang::String;

namespace framework {

namespace {

/// Where no session bus runs (a bare X server, a kiosk, a test machine), libdbus starts one
/// for the display the first time SDL asks it anything: it forks and looks for dbus-launch
/// on the PATH while the window waits, and leaves a daemon behind when it finds one. The X
/// server's own screensaver control is all the game needs there. A bus that exists is used
/// as before.
void keepFromStartingASessionBus()
{
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        return;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && access((std::string(runtime) + "/bus").c_str(), F_OK) == 0)
        return; // the user's bus, which libdbus finds there by itself
    // Not an address libdbus can connect to: the connection fails at once, without a launch.
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
}

} // namespace

OSSDL::OSSDL() : m_cursors(String(), nullptr)
{
    // Before any window: a failure to make one is reported in a box too.
    installErrorBox_SDL();
}

OSSDL::~OSSDL()
{
    destroyWindow();
}

// --- process services --------------------------------------------------------

String OSSDL::programPath()
{
    return pf::Process::programPath();
}

String OSSDL::workingDirectory()
{
    return pf::Process::workingDirectory();
}

void OSSDL::changeWorkingDirectory(const String& directory)
{
    String reason;
    if (!pf::Process::changeWorkingDirectory(directory, &reason))
        lang::log("Cannot change the working directory to %s: %s\n", directory.c_str(), reason.c_str());
}

String OSSDL::applicationDataDirectory(const String& publisher, const String& product)
{
    char* path = SDL_GetPrefPath(publisher.c_str(), product.c_str());
    if (!path)
        return String();
    String result(path);
    SDL_free(path);
    return result;
}

String OSSDL::cacheDirectory(const String& publisher, const String& product)
{
    // The desktop's cache directory: $XDG_CACHE_HOME, else ~/.cache.
    String base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
        base = cache;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        base = String(home) + "/.cache";
    else
        return String();
    String path;
    for (const String& part : {base, "/" + publisher, "/" + product}) {
        path = path + part;
        if (!pf::FileSystem::createDirectory(path) && errno != EEXIST) {
            lang::log("Can't create the cache directory %s: %s\n", path.c_str(), std::strerror(errno));
            return String();
        }
    }
    return path + "/";
}

bool OSSDL::claimSingleInstance(const String& name)
{
    m_instanceLock = new pf::InstanceLock(name);
    return m_instanceLock->claimed();
}

// --- window ------------------------------------------------------------------

bool OSSDL::createWindow(const String&, int width, int height, bool fullScreen)
{
    if (!m_videoStarted) {
        // The GL loader speaks GLX: the window must live on an X server (XWayland will do).
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        keepFromStartingASessionBus();
        // A busy X server can refuse a connection for a moment: try a few times before
        // giving up on the window.
        int tries = 0;
        while (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            if (++tries == 5 || (!std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))) {
                lang::log("SDL_InitSubSystem failed: %s\n", SDL_GetError());
                return false;
            }
            SDL_Delay(100);
        }
        m_videoStarted = true;
        // SDL starts with text input on; the game asks for it when it has a line to edit.
        SDL_StopTextInput();
    }
    // The pixel format must be known when the window is made: X11 picks its visual then.
    if (!gr::GL_ContextBase::setWindowAttributes()) {
        lang::log("SDL_GL_SetAttribute failed: %s\n", SDL_GetError());
        return false;
    }
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN;
    if (fullScreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    m_window = SDL_CreateWindow("Loading...", 0, 0, width, height, flags);
    if (!m_window) {
        lang::log("SDL_CreateWindow failed: %s\n", SDL_GetError());
        return false;
    }
    m_savedX = m_savedY = 0;
    m_savedWidth = width;
    m_savedHeight = height;
    if (fullScreen)
        SDL_SetWindowGrab(m_window, SDL_TRUE);
    showCurrentCursor();
    return true;
}

lang::Ptr<gr::Context> OSSDL::createContext(const lang::Array<int>& wanted, int orientation)
{
    lang::Array<int> kinds = wanted;
    if (kinds.isEmpty()) {
        kinds.add(gr::Context::KIND_GL2);
        kinds.add(gr::Context::KIND_GL1);
    }
    String reasons;
    for (int kind : kinds) {
        try {
            lang::Ptr<gr::Context> context;
            if (kind == gr::Context::KIND_GL1)
                context = new gr::GL1_Context(m_window, orientation);
            else if (kind == gr::Context::KIND_GL2)
                context = new gr::GL_Context(m_window, orientation);
            else
                throw gr::GraphicsException(Format("Not supported"));
            context->setImageOpener(&img::ImagePrefetch::open);
            return context;
        } catch (const gr::GraphicsException& e) {
            reasons += Format("{0} renderer not supported! Reason:\n{1}\n\n", gr::Context::rendererName(kind),
                              e.getMessage())
                           .toString();
        }
    }
    throw gr::GraphicsException(Format("{0}", reasons));
}

void OSSDL::updateTitle()
{
    if (!m_window)
        return;
    int width = 0, height = 0;
    SDL_GetWindowSize(m_window, &width, &height);
    char title[256];
    std::snprintf(title, sizeof(title), "%s (%dx%d)", Config::current().name.c_str(), width, height);
    SDL_SetWindowTitle(m_window, title);
}

void OSSDL::monitorSize(int* width, int* height)
{
    SDL_DisplayMode mode;
    int display = m_window ? SDL_GetWindowDisplayIndex(m_window) : 0;
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) == 0) {
        *width = mode.w;
        *height = mode.h;
    }
}

void OSSDL::setResolution(int width, int height)
{
    if (m_window)
        SDL_SetWindowSize(m_window, width, height);
}

void OSSDL::setFullScreenMode(bool on)
{
    FrameState& frame = FrameState::current();
    if (!m_window || on == frame.fullScreen)
        return;
    if (on) {
        SDL_GetWindowPosition(m_window, &m_savedX, &m_savedY);
        SDL_GetWindowSize(m_window, &m_savedWidth, &m_savedHeight);
        if (SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
            return;
        frame.fullScreen = true;
        SDL_SetWindowGrab(m_window, SDL_TRUE);
    } else {
        SDL_SetWindowFullscreen(m_window, 0);
        SDL_SetWindowPosition(m_window, m_savedX, m_savedY);
        SDL_SetWindowSize(m_window, m_savedWidth, m_savedHeight);
        frame.fullScreen = false;
        SDL_SetWindowGrab(m_window, SDL_FALSE);
    }
}

void OSSDL::prepareForErrorBox()
{
    if (m_window && FrameState::current().fullScreen) {
        SDL_SetWindowFullscreen(m_window, 0);
        SDL_SetWindowPosition(m_window, 0, 0);
        SDL_SetWindowSize(m_window, 4, 4);
    }
    releaseCursorClip();
}

void OSSDL::showErrorBox(const String& text, const String& caption)
{
    lang::showErrorBox(caption, text);
}

void OSSDL::releaseCursorClip()
{
    if (m_window)
        SDL_SetWindowGrab(m_window, SDL_FALSE);
}

void OSSDL::destroyWindow()
{
    if (m_window) {
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
    for (auto it = m_cursors.begin(); it != m_cursors.end(); ++it)
        if (it.value())
            SDL_FreeCursor(it.value());
    m_cursors.clear();
    m_currentCursor = nullptr;
    if (m_videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        m_videoStarted = false;
    }
}

// --- cursors and the mouse ---------------------------------------------------

void OSSDL::initCursors(bool show)
{
    m_cursors["EMPTY"] = nullptr;
    m_cursors["DEFAULT"] = nullptr; // the system arrow: SDL's default cursor
    m_cursorShown = show;
}

namespace {

/// A cursor from a .cur file, or from a BMP image with its hot spot at the top left.
SDL_Cursor* loadCursor(const String& name, int* error)
{
    lang::Array<uint8_t> bytes;
    try {
        io::FileInputStream in(name);
        bytes.resize(in.available());
        bytes.resize(in.read(bytes.begin(), bytes.size()));
    } catch (const io::IOException&) {
        *error = errno ? errno : ENOENT;
        return nullptr;
    }
    CursorImage image;
    SDL_Surface* surface = nullptr;
    if (image.decode(bytes.begin(), bytes.size())) {
        surface = SDL_CreateRGBSurfaceWithFormatFrom(image.rgba.begin(), image.width, image.height, 32,
                                                     image.width * 4, SDL_PIXELFORMAT_ABGR8888);
    } else {
        image.hotX = image.hotY = 0;
        surface = SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.begin(), bytes.size()), 1);
    }
    SDL_Cursor* cursor = surface ? SDL_CreateColorCursor(surface, image.hotX, image.hotY) : nullptr;
    SDL_FreeSurface(surface);
    if (!cursor)
        *error = EINVAL;
    return cursor;
}

} // namespace

void OSSDL::setCursor(const String& name)
{
    SDL_Cursor** known = m_cursors.find(name);
    if (!known) {
        int error = 0;
        SDL_Cursor* cursor = loadCursor(name, &error);
        if (!cursor)
            throw lang::Exception(Format("Setting cursor \"{0}\" failed! Code: {1}", name, error));
        m_cursors[name] = cursor;
        known = m_cursors.find(name);
    }
    m_currentCursor = *known;
    m_cursorShown = name != "EMPTY";
    showCurrentCursor();
}

void OSSDL::showCurrentCursor()
{
    if (!m_videoStarted)
        return;
    SDL_SetCursor(m_currentCursor ? m_currentCursor : SDL_GetDefaultCursor());
    SDL_ShowCursor(m_cursorShown && !FrameState::current().mouseCaptured ? SDL_ENABLE : SDL_DISABLE);
}

bool OSSDL::cursorPosition(int* x, int* y)
{
    if (!m_window || !(SDL_GetWindowFlags(m_window) & SDL_WINDOW_MOUSE_FOCUS))
        return false;
    SDL_GetMouseState(x, y);
    return true;
}

void OSSDL::orientPoint(int* x, int* y)
{
    gr::Context* context = FrameState::current().context.ptr();
    if (!context)
        return;
    if (!gr::Context::isOpenGL(context->kind()))
        return;
    const int W = context->width(), H = context->height();
    const int px = *x, py = *y;
    switch (context->orientation()) {
    case 1: *x = py, *y = H - px; break;
    case 2: *x = W - px, *y = H - py; break;
    case 3: *x = W - py, *y = px; break;
    default: break;
    }
}

bool OSSDL::setMouseCaptured(bool captured)
{
    const bool was = FrameState::current().mouseCaptured;
    OSInterface::setMouseCaptured(captured);
    if (was && !captured)
        holdMouse(false);
    return true;
}

bool OSSDL::setClipboardText(const lang::String& text)
{
    // The clipboard belongs to the video subsystem: before the window there is none.
    if (!m_videoStarted)
        return false;
    if (SDL_SetClipboardText(text.c_str()) != 0) {
        lang::log("Can't put the text on the clipboard: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

void OSSDL::setTextInput(bool on)
{
    if (!m_videoStarted)
        return;
    if (on)
        SDL_StartTextInput();
    else
        SDL_StopTextInput();
}

void OSSDL::holdMouse(bool hold)
{
    if (!m_window)
        return;
    SDL_CaptureMouse(hold ? SDL_TRUE : SDL_FALSE);
    if (hold) {
        int width = 0, height = 0;
        SDL_GetWindowSize(m_window, &width, &height);
        SDL_WarpMouseInWindow(m_window, width / 2, height / 2);
    }
    showCurrentCursor();
}

// --- events ------------------------------------------------------------------

bool OSSDL::pollMessage()
{
    SDL_Event event;
    if (!m_videoStarted || !SDL_PollEvent(&event))
        return false;
    dispatch(event);
    return true;
}

void OSSDL::waitMessage()
{
    SDL_Event event;
    if (m_videoStarted && SDL_WaitEvent(&event))
        dispatch(event);
}

bool OSSDL::quitReceived(int* exitCode)
{
    *exitCode = m_exitCode;
    return m_quit;
}

void OSSDL::postQuit(int exitCode)
{
    // The loop checks for the quit before it takes the next event or runs the next frame.
    if (!m_quit) {
        m_quit = true;
        m_exitCode = exitCode;
    }
}

int OSSDL::keyCode(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return KEY_A + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return KEY_0 + (key - SDLK_0);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return KEY_0 + 1 + (key - SDLK_KP_1);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return KEY_F1 + (key - SDLK_F1);
    switch (key) {
    case SDLK_KP_0: return KEY_0;
    case SDLK_PAGEDOWN: return KEY_PAGEDOWN;
    case SDLK_PAGEUP: return KEY_PAGEUP;
    case SDLK_HOME: return KEY_HOME;
    case SDLK_END: return KEY_END;
    case SDLK_INSERT: return KEY_INSERT;
    case SDLK_DELETE: return KEY_DELETE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return KEY_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return KEY_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return KEY_CONTROL;
    case SDLK_TAB: return KEY_TAB;
    case SDLK_SPACE: return KEY_SPACE;
    case SDLK_BACKSPACE: return KEY_BACKSPACE;
    case SDLK_PAUSE: return KEY_PAUSE;
    case SDLK_ESCAPE: return KEY_ESCAPE;
    case SDLK_LEFT: return KEY_LEFT;
    case SDLK_RIGHT: return KEY_RIGHT;
    case SDLK_UP: return KEY_UP;
    case SDLK_DOWN: return KEY_DOWN;
    case SDLK_KP_MULTIPLY: return KEY_MULTIPLY;
    case SDLK_KP_PLUS: return KEY_ADD;
    case SDLK_KP_MINUS: return KEY_SUBTRACT;
    case SDLK_KP_DIVIDE: return KEY_DIVIDE;
    default: return KEY_NONE;
    }
}

void OSSDL::press(int code, bool down)
{
    App* app = App::current();
    if (!app || code == KEY_NONE)
        return;
    // The edge rule: a held key's repeats call nothing.
    const bool held = app->isKeyDown(code);
    app->setKeyDown(code, down);
    if (down && !held)
        app->keyDown(code);
    else if (!down && held)
        app->keyUp(code);
}

void OSSDL::mouseMove(int x, int y)
{
    App* app = App::current();
    if (FrameState::current().mouseCaptured && m_window) {
        int width = 0, height = 0;
        SDL_GetWindowSize(m_window, &width, &height);
        x -= width / 2;
        y -= height / 2;
    }
    orientPoint(&x, &y);
    if (app)
        app->mouseMoved(x, y);
}

void OSSDL::focusChanged(bool active)
{
    FrameState& frame = FrameState::current();
    if (active == frame.active)
        return;
    frame.active = active;
    lang::log("framework: Window \"%s\" %s\n", m_window ? SDL_GetWindowTitle(m_window) : "",
              active ? "activated" : "deactivated");
    if (frame.error)
        return;
    if (frame.fullScreen && m_window) {
        if (active) {
            SDL_RestoreWindow(m_window);
            SDL_SetWindowGrab(m_window, SDL_TRUE);
        } else {
            SDL_MinimizeWindow(m_window);
            SDL_SetWindowGrab(m_window, SDL_FALSE);
        }
    }
    if (App* app = App::current()) {
        app->activate(active);
        app->activateAudio(active);
    }
}

void OSSDL::windowEvent(const SDL_WindowEvent& event)
{
    FrameState& frame = FrameState::current();
    App* app = App::current();
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: focusChanged(true); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: focusChanged(false); break;
    case SDL_WINDOWEVENT_CLOSE: postQuit(0); break;
    case SDL_WINDOWEVENT_MOVED:
        if (frame.context && !frame.error) {
            int width = 0, height = 0;
            monitorSize(&width, &height);
            frame.context->setWindowSize(width, height);
        }
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // A minimised window has no client area: the context keeps its size.
        if (frame.context && !frame.error && event.data1 > 0 && event.data2 > 0) {
            frame.context->resize(event.data1, event.data2);
            if (app) {
                app->resized();
                app->update(0, frame.context.ptr(), 1);
            }
            updateTitle();
        }
        break;
    case SDL_WINDOWEVENT_LEAVE:
        for (int code : {KEY_LBUTTON, KEY_MBUTTON, KEY_RBUTTON})
            if (app && app->isKeyDown(code))
                press(code, false);
        break;
    default: break;
    }
}

void OSSDL::dispatch(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT: postQuit(0); break;
    case SDL_WINDOWEVENT: windowEvent(event.window); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool down = event.type == SDL_KEYDOWN;
        const SDL_Keycode key = event.key.keysym.sym;
        if (key == SDLK_LALT || key == SDLK_RALT) {
            press(KEY_ALT, down);
        } else if (event.key.keysym.mod & KMOD_ALT) {
            // System keys: Alt+Enter and Alt+F4 are the frame's; other Alt combinations
            // never reach the game.
            if (down && !event.key.repeat && (key == SDLK_RETURN || key == SDLK_KP_ENTER))
                setFullScreenMode(!FrameState::current().fullScreen);
            else if (down && key == SDLK_F4)
                postQuit(0);
        } else {
            press(keyCode(key), down);
        }
        break;
    }
    case SDL_TEXTINPUT:
        if (App* app = App::current())
            app->textInput(event.text.text);
        break;
    case SDL_MOUSEMOTION: mouseMove(event.motion.x, event.motion.y); break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int code = event.button.button == SDL_BUTTON_LEFT     ? KEY_LBUTTON
                         : event.button.button == SDL_BUTTON_MIDDLE ? KEY_MBUTTON
                         : event.button.button == SDL_BUTTON_RIGHT  ? KEY_RBUTTON
                                                                    : KEY_NONE;
        mouseMove(event.button.x, event.button.y);
        press(code, event.type == SDL_MOUSEBUTTONDOWN);
        break;
    }
    case SDL_MOUSEWHEEL:
        if (App* app = App::current())
            app->mouseWheel(event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y);
        break;
    default: break;
    }
}

} // namespace framework
