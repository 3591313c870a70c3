#include "game/DeveloperConsole.h"

#include "framework/Keys.h"
#include "game/DeveloperFont.h"
#include "gr/Context.h"
#include "lang/Debug.h"
#include "lang/Exception.h"
#include "lua/LuaState.h"

#include <algorithm>
#include <exception>

using lang::String;

namespace game {

namespace {

// The console's table runs this once. A line is compiled as its own chunk "console" and
// runs through a view of the game's table: reads fall through to it (print excepted),
// assignments land in it. The values it returns are kept as text for the engine to read.
const char* const kShell = R"(
local game, write = game, write
local loadstring, setfenv, setmetatable, select, tostring, concat =
    loadstring, setfenv, setmetatable, select, tostring, table.concat
local function show(...)
  local shown = {}
  for i = 1, select('#', ...) do
    shown[i] = tostring((select(i, ...)))
  end
  return concat(shown, '\t')
end
local function consolePrint(...)
  write(show(...))
end
local view = setmetatable({}, {
  __index = function(_, key)
    if key == 'print' then
      return consolePrint
    end
    return game[key]
  end,
  __newindex = game,
})
local function keep(...)
  count, shown = select('#', ...), show(...)
end
function evaluate(text)
  count, shown = 0, ''
  local chunk = assert(loadstring(text, '=console'))
  setfenv(chunk, view)
  keep(chunk())
end
)";

bool continuation(char c)
{
    return (static_cast<uint8_t>(c) & 0xC0) == 0x80;
}

/// Pieces of at most columns characters (a UTF-8 sequence is one); "" gives one empty piece.
std::vector<std::string> wrap(const std::string& text, int columns)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    int count = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if (continuation(text[at]))
            continue;
        if (count == columns) {
            pieces.push_back(text.substr(start, at - start));
            start = at;
            count = 0;
        }
        ++count;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string expandTabs(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\t' ? std::string("    ") : std::string(1, c);
    return out;
}

/// An error's message without the script call stack the interpreter appends to it.
String messageOf(const String& text)
{
    const int stack = text.indexOf("\nCall stack:");
    return stack >= 0 ? text.substring(0, stack) : text;
}

} // namespace

const char* const DeveloperConsole::PROMPT = "> ";

DeveloperConsole::DeveloperConsole(lua::LuaState* state, const lua::LuaTable& environment)
    : m_state(state), m_shell(state)
{
    m_shell.inheritFrom(state->globals());
    m_shell.setTable(String("game"), &environment);
    m_shell.registerMethod("write", this, &DeveloperConsole::write);
    state->runString(kShell, "console shell", &m_shell);
}

DeveloperConsole::~DeveloperConsole() = default;

void DeveloperConsole::type(const String& text)
{
    for (char c : text.str())
        if (static_cast<uint8_t>(c) >= 0x20 && c != 0x7f)
            m_input += c;
}

void DeveloperConsole::key(int code)
{
    const int newest = static_cast<int>(m_history.size());
    switch (code) {
    case framework::KEY_RETURN: {
        const String line = m_input;
        m_input = String();
        run(line);
        break;
    }
    case framework::KEY_BACKSPACE: {
        std::string text = m_input.str();
        while (!text.empty() && continuation(text.back()))
            text.pop_back();
        if (!text.empty())
            text.pop_back();
        m_input = String(text);
        break;
    }
    case framework::KEY_UP:
        if (m_recalled > 0) {
            if (m_recalled == newest)
                m_draft = m_input;
            recall(m_recalled - 1);
        }
        break;
    case framework::KEY_DOWN:
        if (m_recalled < newest)
            recall(m_recalled + 1);
        break;
    default: break;
    }
}

void DeveloperConsole::recall(int index)
{
    m_recalled = index;
    m_input = index < static_cast<int>(m_history.size()) ? m_history[static_cast<size_t>(index)] : m_draft;
}

bool DeveloperConsole::run(const String& line)
{
    if (!line.trim().isEmpty() && (m_history.empty() || m_history.back() != line)) {
        m_history.push_back(line);
        if (static_cast<int>(m_history.size()) > HISTORY)
            m_history.pop_front();
    }
    m_recalled = static_cast<int>(m_history.size());
    m_draft = String();
    add(std::string(PROMPT) + line.str(), ECHO);
    lang::log("console> %s\n", line.c_str());
    if (line.trim().isEmpty())
        return true;

    // As an expression when it is one, so that its values show.
    String text = "return " + line;
    try {
        m_state->checkSyntax(text, "console");
    } catch (const lang::Throwable&) {
        text = line;
    }

    String failure;
    bool failed = false;
    m_captured.clear();
    m_runner = std::this_thread::get_id();
    void* previousUser = nullptr;
    const lang::LogSink previous = lang::setLogSink(&DeveloperConsole::capture, this, &previousUser);
    try {
        m_state->checkSyntax(text, "console");
        m_shell.call("evaluate", {text});
    } catch (const lang::Throwable& e) {
        failed = true;
        failure = messageOf(e.getMessage());
        // An engine error raised in a native does not say which native it was.
        const lua::LuaState::NativeFailure& native = m_state->lastNativeFailure();
        if (!native.native.isEmpty() && native.message == e.getMessage() && !failure.startsWith(native.native + ":"))
            failure += " (in the native " + native.native + ")";
    } catch (const std::exception& e) {
        failed = true;
        failure = e.what();
    } catch (...) {
        // Whatever a native threw: the logger must get its sink back all the same.
        failed = true;
        failure = "an error the engine does not know";
    }
    lang::setLogSink(previous, previousUser);
    std::vector<Piece> captured;
    captured.swap(m_captured);
    for (const Piece& piece : captured) {
        lang::log("%s", piece.text.c_str());
        // The logger notes every exception made; the line's error shows once, as its error.
        if (piece.ownThread && piece.text.rfind("Created Throwable(", 0) != 0)
            add(piece.text, OUTPUT);
    }

    if (failed) {
        addError(failure);
        return false;
    }
    if (m_shell.getNumber("count") > 0) {
        const String shown = m_shell.getString("shown");
        add(shown.str(), RESULT);
        lang::log("console: %s\n", shown.c_str());
    }
    return true;
}

void DeveloperConsole::addError(const String& message)
{
    add(message.str(), FAILURE);
    lang::log("console error: %s\n", message.c_str());
}

void DeveloperConsole::write(String text)
{
    lang::log("%s\n", text.c_str());
}

void DeveloperConsole::capture(const char* text, void* user)
{
    // Under the logger's lock: only kept here, logged once the line is done.
    DeveloperConsole* console = static_cast<DeveloperConsole*>(user);
    console->m_captured.push_back({text, std::this_thread::get_id() == console->m_runner});
}

void DeveloperConsole::add(const std::string& text, Kind kind)
{
    std::string rest = text;
    if (!rest.empty() && rest.back() == '\n')
        rest.pop_back();
    for (size_t end = rest.find('\n');; end = rest.find('\n')) {
        Line line;
        line.text = rest.substr(0, end);
        line.kind = kind;
        m_scrollback.push_back(line);
        if (end == std::string::npos)
            break;
        rest = rest.substr(end + 1);
    }
    while (static_cast<int>(m_scrollback.size()) > SCROLLBACK)
        m_scrollback.pop_front();
}

void DeveloperConsole::draw(gr::Context* context) const
{
    const int width = context->width(), height = context->height();
    const int scale = width >= 960 && height >= 600 ? 2 : 1;
    const int cell = DeveloperFont::CELL_WIDTH * scale;
    const int lineHeight = (DeveloperFont::CELL_HEIGHT + 2) * scale;
    const int pad = 4 * scale;
    const int columns = std::max(1, (width - 2 * pad) / cell);
    // At most ROWS rows of output, and the panel never more than half the screen.
    const int rows = std::max(0, std::min(ROWS, (height / 2 - 2 * pad) / lineHeight - 1));

    struct Row
    {
        std::string text;
        uint32_t colour;
    };
    std::vector<Row> shown;
    for (auto line = m_scrollback.rbegin(); line != m_scrollback.rend() && static_cast<int>(shown.size()) < rows;
         ++line) {
        const uint32_t colour = line->kind == ECHO      ? ECHO_TEXT
                                : line->kind == RESULT  ? RESULT_TEXT
                                : line->kind == FAILURE ? ERROR_TEXT
                                                        : TEXT;
        const std::vector<std::string> pieces = wrap(expandTabs(line->text), columns);
        for (auto piece = pieces.rbegin(); piece != pieces.rend() && static_cast<int>(shown.size()) < rows; ++piece)
            shown.push_back({*piece, colour});
    }
    std::reverse(shown.begin(), shown.end());

    const int panelHeight = pad + static_cast<int>(shown.size() + 1) * lineHeight + pad;
    const float top = static_cast<float>(height - panelHeight);
    context->fillRect(PANEL, 0, top, static_cast<float>(width), static_cast<float>(panelHeight));
    float y = top + pad;
    for (const Row& row : shown) {
        DeveloperFont::draw(context, row.text, static_cast<float>(pad), y + scale, scale, row.colour);
        y += lineHeight;
    }
    // The end of the line being edited, after the prompt, with the cursor's cell after it.
    const int room = std::max(1, columns - DeveloperFont::columns(PROMPT) - 1);
    const std::vector<std::string> pieces = wrap(expandTabs(m_input.str()), room);
    const String prompt = String(PROMPT) + String(pieces.back());
    DeveloperFont::draw(context, prompt, static_cast<float>(pad), y + scale, scale, TEXT);
    const float cursorX = static_cast<float>(pad + DeveloperFont::columns(prompt) * cell);
    context->fillRect(TEXT, cursorX, y + scale * DeveloperFont::CELL_HEIGHT, static_cast<float>(cell - scale),
                      static_cast<float>(scale));
}

} // namespace game
