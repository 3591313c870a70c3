#pragma once

// The engine's executable run as a player runs it: a process with a window on the test's X
// server, its log read as it comes, its window read back from the server, ended the way a
// desktop ends it.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
// Xlib's macros would take the names of the test framework's own.
#undef None
#undef Bool
#undef Status
#undef True
#undef False

extern char** environ;

/// A window's pixels as the X server shows them.
struct WindowPixels
{
    int width = 0, height = 0;
    std::vector<uint32_t> rgb; ///< 0xRRGGBB, rows from the top

    bool empty() const { return rgb.empty(); }
    uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    /// How many pixels of the rectangle are within `tolerance` of a colour in each channel.
    int count(uint32_t colour, int left, int top, int right, int bottom, int tolerance = 0) const
    {
        int n = 0;
        for (int y = top; y < bottom && y < height; ++y) {
            for (int x = left; x < right && x < width; ++x) {
                const uint32_t c = at(x, y);
                bool near = true;
                for (int shift = 0; shift <= 16; shift += 8)
                    near = near && std::abs(int(c >> shift & 0xff) - int(colour >> shift & 0xff)) <= tolerance;
                n += near;
            }
        }
        return n;
    }
};

namespace game_process {

inline Window findWindow(Display* display, Window window, const std::string& title)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        const bool match = std::string(name) == title;
        XFree(name);
        if (match)
            return window;
    }
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i)
            found = findWindow(display, children[i], title);
        if (children)
            XFree(children);
    }
    return found;
}

} // namespace game_process

/// The contents of the window with the title on the test's X server; empty when there is none.
inline WindowPixels grabWindow(const std::string& title)
{
    WindowPixels screen;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return screen;
    const Window window = game_process::findWindow(display, DefaultRootWindow(display), title);
    XWindowAttributes attributes;
    if (window && XGetWindowAttributes(display, window, &attributes)) {
        if (XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                                      static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap)) {
            screen.width = attributes.width;
            screen.height = attributes.height;
            for (int y = 0; y < screen.height; ++y) {
                for (int x = 0; x < screen.width; ++x)
                    screen.rgb.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xffffff);
            }
            XDestroyImage(image);
        }
    }
    XCloseDisplay(display);
    return screen;
}

/// One run of a shell command that starts the game, its stderr collected in a file.
class GameProcess
{
public:
    /// Starts `command` in folder cwd; its stderr goes to logFile.
    GameProcess(const std::string& command, const std::string& logFile, const std::string& cwd = "/")
        : m_log(logFile)
    {
        std::remove(logFile.c_str());
        const std::string shell = "cd '" + cwd + "' && exec " + command + " 2>'" + logFile + "'";
        const char* argv[] = {"/bin/sh", "-c", shell.c_str(), nullptr};
        if (posix_spawn(&m_pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = 0;
    }
    ~GameProcess() { end(); }
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    /// The first log line after line `from` that starts with prefix, waiting for it up to
    /// `seconds`; "" when it doesn't come or the game ends first. *index is set to its line.
    std::string waitFor(const std::string& prefix, int seconds = 60, size_t from = 0, size_t* index = nullptr)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;) {
            const std::vector<std::string> lines = this->lines();
            for (size_t i = from; i < lines.size(); ++i) {
                if (lines[i].rfind(prefix, 0) == 0) {
                    if (index)
                        *index = i;
                    return lines[i];
                }
            }
            if (!running() || std::chrono::steady_clock::now() > deadline)
                return "";
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }

    std::string log() const
    {
        std::string text;
        for (const std::string& line : lines())
            text += line + "\n";
        return text;
    }

    bool running()
    {
        if (m_pid && waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_pid = 0;
        return m_pid != 0;
    }

    /// Waits up to `seconds` for the game to end by itself; its exit status, or -1.
    int wait(int seconds = 60)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (running())
            return -1;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

    /// Ends the game as a desktop does, with SIGTERM; its exit status, or -1.
    int end()
    {
        if (!running())
            return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, &m_status, 0);
        m_pid = 0;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

private:
    std::string m_log;
    pid_t m_pid = 0;
    int m_status = 0;
};
