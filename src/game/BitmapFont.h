#pragma once

#include "game/SpriteSheet.h"
#include "lang/Hashtable.h"

#include <cstdint>

namespace game {

/// A font the registry draws and measures text with. Text is UTF-8; characters are its
/// UTF-16 code units.
class IFont : public lang::Object
{
public:
    static const int ALL = 2147483647;

    ~IFont() override = default;
    /// Draws count characters from start, the position lying on the text by the codes.
    virtual void drawString(gr::Context* context, const lang::String& text, int start, int count, float x, float y,
                            int vertical, int horizontal) = 0;
    /// Draws the whole text.
    virtual void drawString(gr::Context* context, const lang::String& text, float x, float y, int vertical,
                            int horizontal)
    {
        drawString(context, text, 0, ALL, x, y, vertical, horizontal);
    }
    /// The text without the characters the font has no glyph for.
    virtual lang::String filterString(const lang::String& text) = 0;
    /// Width in pixels of count characters from start.
    virtual int getStringWidth(const lang::String& text, int start, int count) = 0;
    virtual int getMaxAscending() = 0;
    virtual int getMaxDescending() = 0;
    virtual int getLeading() = 0;
    virtual int getTracking() = 0;
    /// Maximum ascent plus maximum descent.
    int getHeight() { return getMaxAscending() + getMaxDescending(); }
};

/// A font of glyph pictures in one image: each glyph a sprite whose pivot lies on the
/// baseline at its left edge, so text is drawn by placing pivots along the baseline.
class BitmapFont : public IFont
{
public:
    /// Reads fileName; its image is read by the context from the font's own directory.
    /// Throws IOException, or the context's error for the image.
    BitmapFont(gr::Context* context, const lang::String& fileName);

    using IFont::drawString;
    void drawString(gr::Context* context, const lang::String& text, int start, int count, float x, float y,
                    int vertical, int horizontal) override;
    lang::String filterString(const lang::String& text) override;
    int getStringWidth(const lang::String& text, int start, int count) override;
    int getMaxAscending() override { return m_maxAscent; }
    int getMaxDescending() override { return m_maxDescent; }
    int getLeading() override { return m_leading; }
    int getTracking() override { return m_tracking; }

    /// The glyph of a UTF-16 code unit, or null.
    Sprite* glyph(int code) const { return m_glyphs.get(uint16_t(code)); }
    /// The image of the glyphs (its texture named after its file), or null.
    gr::Image* image() const { return m_sheet ? m_sheet->image() : nullptr; }

private:
    lang::Hashtable<uint16_t, Sprite*> m_glyphs; ///< owned by m_sheet
    lang::Ptr<SpriteSheet> m_sheet;
    int m_tracking = 0;
    int m_maxAscent = 0;
    int m_maxDescent = 0;
    int m_leading = 0;
};

} // namespace game
