#pragma once

#include "lang/String.h"

#include <cstdio>
#include <string>
#include <vector>

namespace game {

/// Developer mode's input recording (--record=FILE) and replay (--replay=FILE): every input
/// event with the frame it arrived in and that frame's time step, one a line in a text file
/// (docs/formats.md), so that a replay feeds the same events at the same frames with the
/// same time steps and the game reaches the same state.
class InputRecording
{
public:
    enum Kind { KEY_DOWN, KEY_UP, MOVE, WHEEL, FOCUS, FRAME, TEXT };

    struct Event
    {
        int frame = 0;
        float dt = 0;
        Kind kind = FRAME;
        int a = 0, b = 0; ///< key code; x, y; notches; focus 1 or 0
        std::string text; ///< TEXT: the typed UTF-8 text
    };

    /// Reads a recording. Throws lang::Exception "FILE:LINE: ..." for a line it can't take,
    /// io::IOException when the file can't be read.
    static std::vector<Event> read(const lang::String& path);
    /// One event's line, without the line end.
    static std::string line(const Event& event);

    /// Starts a recording into path, replacing it. Throws io::IOException naming the path.
    explicit InputRecording(const lang::String& path);
    ~InputRecording();
    InputRecording(const InputRecording&) = delete;
    InputRecording& operator=(const InputRecording&) = delete;

    /// An event arrived before the frame now counted.
    void note(Kind kind, int a, int b = 0);
    /// Typed text (the developer console's) arrived before the frame now counted.
    void noteText(const char* utf8);
    /// The frame runs with time step dt: the events that came before it are written with it,
    /// then the frame's own line; the file is flushed so that a crash keeps what came before.
    void frame(float dt);
    int frames() const { return m_frame; }

private:
    std::FILE* m_file;
    lang::String m_path;
    std::vector<Event> m_pending;
    int m_frame = 0;
};

} // namespace game
