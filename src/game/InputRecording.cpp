#include "game/InputRecording.h"

#include "io/IOException.h"
#include "lang/Exception.h"
#include "lang/Format.h"

#include <cctype>
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
const char* const kNames[] = {"keydown", "keyup", "move", "wheel", "focus", "frame", "text"};
const int kArguments[] = {1, 1, 2, 1, 1, 0, 0};
const char* const kHexDigits = "0123456789abcdef";

// Typed text is written as the hexadecimal of its bytes: any text, spaces and line ends
// included, stays one field of one line.
std::string hex(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        out += kHexDigits[c >> 4];
        out += kHexDigits[c & 15];
    }
    return out;
}

bool unhex(const std::string& field, std::string* bytes)
{
    if (field.empty() || field.size() % 2 != 0)
        return false;
    bytes->clear();
    for (size_t i = 0; i < field.size(); i += 2) {
        const char* high = std::strchr(kHexDigits, std::tolower(static_cast<unsigned char>(field[i])));
        const char* low = std::strchr(kHexDigits, std::tolower(static_cast<unsigned char>(field[i + 1])));
        if (!high || !low || !*high || !*low)
            return false;
        bytes->push_back(static_cast<char>((high - kHexDigits) << 4 | (low - kHexDigits)));
    }
    return true;
}

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
    if (event.kind == TEXT)
        return text + (" " + hex(event.text));
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
        while (kind <= TEXT && name != kNames[kind])
            ++kind;
        if (kind > TEXT)
            fail("unknown event (keydown, keyup, move, wheel, focus, frame or text)");
        event.kind = static_cast<Kind>(kind);
        if ((kArguments[kind] >= 1 && !(fields >> event.a)) || (kArguments[kind] >= 2 && !(fields >> event.b)))
            fail("missing a number of the event");
        std::string typed;
        if (kind == TEXT && !(fields >> typed && unhex(typed, &event.text)))
            fail("the text must be the hexadecimal of its bytes");
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

void InputRecording::noteText(const char* utf8)
{
    Event event;
    event.frame = m_frame;
    event.kind = TEXT;
    event.text = utf8;
    if (!event.text.empty())
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
