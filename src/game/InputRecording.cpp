#include "game/InputRecording.h"

#include "io/IOException.h"
#include "lang/Exception.h"
#include "lang/Format.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

using lang::Format;
using lang::String;

namespace game {

namespace {

const char* const kHeader = "# pelterra input 1";
const char* const kNames[] = {"keydown", "keyup", "move", "wheel", "focus", "frame"};
const int kArguments[] = {1, 1, 2, 1, 1, 0};

} // namespace

std::string InputRecording::line(const Event& event)
{
    // Nine significant digits give back the same 32-bit float when read.
    char text[96];
    int length = std::snprintf(text, sizeof text, "%d %.9g %s", event.frame, static_cast<double>(event.dt),
                               kNames[event.kind]);
    if (kArguments[event.kind] >= 1)
        length += std::snprintf(text + length, sizeof text - length, " %d", event.a);
    if (kArguments[event.kind] >= 2)
        std::snprintf(text + length, sizeof text - length, " %d", event.b);
    return text;
}

std::vector<InputRecording::Event> InputRecording::read(const String& path)
{
    std::ifstream in(path.str());
    if (!in)
        throw io::IOException(Format("Can't read the input recording {0}", path));
    std::vector<Event> events;
    std::string text;
    int number = 0;
    auto fail = [&](const char* what) {
        throw lang::Exception(Format("{0}:{1}: {2}: \"{3}\"", path, number, what, String(text)));
    };
    while (std::getline(in, text)) {
        ++number;
        if (text.empty() || text[0] == '#')
            continue;
        std::istringstream fields(text);
        Event event;
        std::string name;
        if (!(fields >> event.frame >> event.dt >> name))
            fail("expected FRAME TIMESTEP EVENT");
        if (event.frame < 0 || !(event.dt >= 0) || event.dt > 1)
            fail("the frame must be 0 or more and the time step between 0 and 1 second");
        int kind = 0;
        while (kind <= FRAME && name != kNames[kind])
            ++kind;
        if (kind > FRAME)
            fail("unknown event (keydown, keyup, move, wheel, focus or frame)");
        event.kind = static_cast<Kind>(kind);
        if ((kArguments[kind] >= 1 && !(fields >> event.a)) || (kArguments[kind] >= 2 && !(fields >> event.b)))
            fail("missing a number of the event");
        std::string rest;
        if (fields >> rest)
            fail("more than the event's numbers");
        if (!events.empty() && event.frame < events.back().frame)
            fail("the frames go backwards");
        events.push_back(event);
    }
    return events;
}

InputRecording::InputRecording(const String& path) : m_file(std::fopen(path.c_str(), "w")), m_path(path)
{
    if (!m_file)
        throw io::IOException(Format("Can't write the input recording {0}: {1}", path, std::strerror(errno)));
    std::fprintf(m_file, "%s\n", kHeader);
}

InputRecording::~InputRecording()
{
    std::fclose(m_file);
}

void InputRecording::note(Kind kind, int a, int b)
{
    Event event;
    event.frame = m_frame;
    event.kind = kind;
    event.a = a;
    event.b = b;
    m_pending.push_back(event);
}

void InputRecording::frame(float dt)
{
    for (Event& event : m_pending) {
        event.dt = dt;
        std::fprintf(m_file, "%s\n", line(event).c_str());
    }
    m_pending.clear();
    Event own;
    own.frame = m_frame++;
    own.dt = dt;
    std::fprintf(m_file, "%s\n", line(own).c_str());
    std::fflush(m_file);
}

} // namespace game
