#include "game/ErrorScreen.h"

#include "game/DeveloperFont.h"
#include "gr/Context.h"

#include <string>

using lang::String;

namespace game {

namespace {

const uint32_t TEXT = 0xFFFFFFFF;
const uint32_t NOTE = 0xFFFFD060;  // the native's name
const uint32_t QUIET = 0xFFC0B0B4; // headings, the call stack, source lines
const int PAD = 8;                 // pixels inside the panel around the text, at scale 1

/// The byte offset after count characters of text (a UTF-8 sequence is one character).
int offsetAfter(const String& text, int from, int count)
{
    int at = from;
    for (int seen = 0; at < text.length(); ++at) {
        if ((static_cast<uint8_t>(text[at]) & 0xC0) == 0x80)
            continue;
        if (seen++ == count)
            break;
    }
    return at;
}

String expandTabs(const String& text)
{
    std::string out;
    for (char c : text.str())
        out += c == '\t' ? std::string("    ") : std::string(1, c);
    return String(out);
}

} // namespace

const char* const ErrorScreen::HINT = "R reload  C copy  Esc quit";

ErrorScreen::ErrorScreen(const String& title, const ScriptFailure& failure) : m_title(title), m_failure(failure)
{
    String rest = failure.message;
    for (int end = rest.indexOf('\n'); end >= 0; end = rest.indexOf('\n')) {
        add(rest.substring(0, end), TEXT);
        rest = rest.substring(end + 1);
    }
    add(rest, TEXT);
    // A type error names its native already; an engine error raised in one does not.
    if (!failure.native.isEmpty() && !failure.message.startsWith(failure.native + ":"))
        add("in the native " + failure.native, NOTE);
    if (!failure.callStack.isEmpty()) {
        add("", TEXT);
        add("Call stack:", QUIET);
        for (const ScriptFailure::Place& place : failure.callStack)
            add("  " + place.file + (place.line > 0 ? ":" + String(std::to_string(place.line)) : String()), QUIET);
    }
    if (!failure.source.isEmpty()) {
        add("", TEXT);
        add(failure.sourceFile + ":", QUIET);
        const int last = failure.firstSourceLine + failure.source.size() - 1;
        const int width = static_cast<int>(std::to_string(last).size());
        for (int i = 0; i < failure.source.size(); ++i) {
            const int number = failure.firstSourceLine + i;
            std::string label = std::to_string(number);
            label.insert(0, static_cast<size_t>(width) - label.size(), ' ');
            const bool failing = number == failure.where.line;
            add(String(failing ? "> " : "  ") + String(label) + " | " + expandTabs(failure.source[i]), failing ? TEXT : QUIET,
                failing, false);
        }
    }
}

void ErrorScreen::add(const String& text, uint32_t colour, bool failing, bool wraps)
{
    Line line;
    line.text = text;
    line.colour = colour;
    line.failing = failing;
    line.wraps = wraps;
    m_lines.add(line);
}

String ErrorScreen::text() const
{
    String out = m_title + "\n";
    for (const Line& line : m_lines)
        out += line.text + "\n";
    return out + "\n" + HINT + "\n";
}

void ErrorScreen::draw(gr::Context* context) const
{
    const int width = context->width(), height = context->height();
    const int scale = width >= 960 && height >= 600 ? 2 : 1;
    const float cell = static_cast<float>(DeveloperFont::CELL_WIDTH * scale);
    const float lineHeight = static_cast<float>((DeveloperFont::CELL_HEIGHT + 2) * scale);
    const float pad = static_cast<float>(PAD * scale);
    const float left = MARGIN, top = MARGIN;
    const float panelWidth = static_cast<float>(width - 2 * MARGIN), panelHeight = static_cast<float>(height - 2 * MARGIN);
    if (panelWidth <= 2 * pad || panelHeight <= 2 * pad)
        return;

    context->fillRect(PANEL, left, top, panelWidth, panelHeight);
    const float barHeight = lineHeight + pad;
    context->fillRect(TITLE_BAR, left, top, panelWidth, barHeight);
    DeveloperFont::draw(context, m_title, left + pad, top + pad / 2 + scale, scale, TEXT);

    const int columns = static_cast<int>((panelWidth - 2 * pad) / cell);
    const float hintTop = top + panelHeight - pad - lineHeight;
    float y = top + barHeight + pad / 2;
    for (const Line& line : m_lines) {
        // Pieces of at most a panel's width: a wrapping line gives them all, a source line its first.
        for (int from = 0; from < line.text.length() || from == 0;) {
            if (y + lineHeight > hintTop)
                break;
            const int to = offsetAfter(line.text, from, columns);
            if (line.failing)
                context->fillRect(FAILING_LINE, left + pad / 2, y, panelWidth - pad, lineHeight);
            DeveloperFont::draw(context, line.text.substring(from, to), left + pad, y + scale, scale, line.colour);
            y += lineHeight;
            if (!line.wraps || to >= line.text.length())
                break;
            from = to;
        }
    }
    DeveloperFont::draw(context, HINT, left + pad, hintTop + scale, scale, QUIET);
}

} // namespace game
