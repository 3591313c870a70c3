#pragma once

#include "lang/String.h"

#include <cstdint>

namespace gr {
class Context;
}

namespace game {

/// The engine's own face for the screens it draws itself (the developer error screen): the
/// 95 printable ASCII characters as glyphs of 5 x 7 pixels, with one row below for
/// descenders, in cells of 6 x 8. It needs no file, texture or font of the game: each run
/// of lit pixels in a row is a filled rectangle through the context's 2D batch, so it draws
/// whatever state the game left its resources in.
class DeveloperFont
{
public:
    static const int CELL_WIDTH = 6;
    static const int CELL_HEIGHT = 8;

    /// The eight rows of a character's glyph, top first, bit 4 the leftmost pixel; a
    /// character outside 32..126 has the glyph of '?'.
    static const uint8_t* glyph(int character);
    /// The cells text takes: one per character, a UTF-8 sequence counting as one.
    static int columns(const lang::String& text);
    /// Draws text with the top-left of its first cell at (x, y) pixels, each glyph pixel a
    /// square of scale pixels, in colour (A8R8G8B8). A character outside ASCII shows as '?'.
    static void draw(gr::Context* context, const lang::String& text, float x, float y, int scale, uint32_t colour);
};

} // namespace game
