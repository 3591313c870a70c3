#pragma once

#include "game/ScriptFailure.h"

#include <cstdint>

namespace gr {
class Context;
}

namespace game {

/// What developer mode shows instead of the game once a script has failed: a panel with
/// the message, the script call stack and the source lines around the failing line, drawn
/// by the engine itself in its own face (DeveloperFont), and the keys that lead on.
class ErrorScreen
{
public:
    static constexpr uint32_t BACKGROUND = 0xFF101014;   ///< around the panel
    static constexpr uint32_t PANEL = 0xFF4A1522;        ///< the panel
    static constexpr uint32_t TITLE_BAR = 0xFF9A2233;    ///< the band of the title
    static constexpr uint32_t FAILING_LINE = 0xFF7A3A1A; ///< the band behind the failing source line
    static constexpr int MARGIN = 16;                    ///< window pixels from each edge to the panel
    static const char* const HINT;                   ///< "R reload  C copy  Esc quit"

    ErrorScreen(const lang::String& title, const ScriptFailure& failure);

    const lang::String& title() const { return m_title; }
    const ScriptFailure& failure() const { return m_failure; }

    /// The report as plain text, what C puts on the clipboard: the title, the message, the
    /// native it was raised in, the call stack as file:line, the source lines with their
    /// numbers (the failing one marked '>'), and the hint.
    lang::String text() const;
    /// Draws over the whole context: the panel MARGIN pixels in from each edge, the text
    /// twice the face's size when the context is at least 960 x 600. Long lines wrap; what
    /// does not fit the panel is left out, the hint always shown at its foot.
    void draw(gr::Context* context) const;

private:
    struct Line
    {
        lang::String text;
        uint32_t colour = 0;
        bool failing = false; ///< the failing source line, drawn on its band
        bool wraps = true;    ///< source lines are cut at the panel's edge instead
    };

    lang::String m_title;
    ScriptFailure m_failure;
    lang::Array<Line> m_lines;

    void add(const lang::String& text, uint32_t colour, bool failing = false, bool wraps = true);
};

} // namespace game
