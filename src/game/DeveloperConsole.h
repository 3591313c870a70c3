#pragma once

#include "lang/String.h"
#include "lua/LuaObject.h"

#include <cstdint>
#include <deque>
#include <string>
#include <thread>
#include <vector>

namespace gr {
class Context;
}
namespace lua {
class LuaState;
}

namespace game {

/// Developer mode's console (F1): a line of Lua typed over the running game is run in the
/// game's table, and what it printed, its values or its error are shown under it and
/// written to the log. Up and Down recall earlier lines.
///
/// A line is first tried as an expression ("return " .. line), so that `score` or `f()`
/// shows its values; otherwise it runs as a statement. It sees and assigns the game's
/// globals; only `print` differs, taking any values as the library's print does and writing
/// them to the console and the log. Main thread only; a handle on the interpreter, it must
/// go before the state does.
class DeveloperConsole
{
public:
    /// What a line of the console's scrollback is.
    enum Kind
    {
        ECHO,   ///< the line as typed, after the prompt
        OUTPUT, ///< what the line logged (print, the engine's own lines)
        RESULT, ///< the line's values, tab-separated
        FAILURE, ///< the message of the error it raised
    };
    struct Line
    {
        std::string text;
        Kind kind = OUTPUT;
    };

    static constexpr int HISTORY = 100;    ///< lines Up and Down can recall
    static constexpr int SCROLLBACK = 200; ///< lines of output kept
    static constexpr int ROWS = 12;        ///< rows of output the panel shows, at most
    static constexpr uint32_t PANEL = 0xd8101018;
    static constexpr uint32_t TEXT = 0xffffffff;
    static constexpr uint32_t ECHO_TEXT = 0xff80c0ff;
    static constexpr uint32_t RESULT_TEXT = 0xffa0ffa0;
    static constexpr uint32_t ERROR_TEXT = 0xffff7070;
    static const char* const PROMPT; ///< "> "

    /// Lines run in environment, a table of state (the game's); neither is owned.
    DeveloperConsole(lua::LuaState* state, const lua::LuaTable& environment);
    ~DeveloperConsole();
    DeveloperConsole(const DeveloperConsole&) = delete;
    DeveloperConsole& operator=(const DeveloperConsole&) = delete;

    /// Text typed, UTF-8: added at the end of the line being edited (control characters
    /// are left out).
    void type(const lang::String& text);
    /// An editing key: Return runs the line, Backspace takes its last character away, Up
    /// and Down walk the history. Other keys do nothing.
    void key(int code);
    /// Runs a line as Return does: echoed, run, its output and values or error added, all
    /// of it logged, and kept in the history. Returns false when it raised an error.
    bool run(const lang::String& line);
    /// Adds an error to the scrollback and the log, as a line's own would be.
    void addError(const lang::String& message);

    const lang::String& input() const { return m_input; }
    const std::deque<Line>& scrollback() const { return m_scrollback; }
    /// The lines run, oldest first.
    const std::deque<lang::String>& history() const { return m_history; }

    /// Draws the panel over the bottom of the context: the last lines of the scrollback
    /// (long lines wrapped) and the prompt with the line being edited. Twice the face's size
    /// when the context is at least 960 x 600, as the error screen.
    void draw(gr::Context* context) const;

private:
    lua::LuaState* m_state;
    lua::LuaObject m_shell; ///< the console's own table: the evaluator and its native
    lang::String m_input;
    lang::String m_draft;   ///< the line being edited while Up shows older ones
    int m_recalled = 0;     ///< the history entry shown; history().size() is the draft
    std::deque<lang::String> m_history;
    std::deque<Line> m_scrollback;
    struct Piece
    {
        std::string text;
        bool ownThread = false; ///< logged by the thread running the line
    };
    std::vector<Piece> m_captured; ///< what was logged while a line ran
    std::thread::id m_runner;

    void add(const std::string& text, Kind kind);
    void recall(int index);
    /// The console's print: one text to the log (and so to the scrollback).
    void write(lang::String text);
    static void capture(const char* text, void* user);
};

} // namespace game
