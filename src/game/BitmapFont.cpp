#include "game/BitmapFont.h"

#include "game/ChunkFile.h"
#include "gr/Context.h"
#include "io/PathName.h"
#include "lang/UTFConverter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using lang::String;
using lang::UTFConverter;

namespace game {

namespace {

const uint32_t FONT = chunkId("FONT");
const int GLYPH_BYTES = 12;

/// The UTF-16 code units of text in a buffer reused by the thread, so that drawing and
/// measuring text each frame allocates nothing once the buffer has grown.
const std::vector<uint16_t>& codeUnits(const String& text)
{
    thread_local std::vector<uint16_t> units;
    UTFConverter::toUTF16(text, units);
    return units;
}

/// The range [begin, end) of count units from start, clamped to the text.
void range(int size, int start, int count, int* begin, int* end)
{
    *begin = std::min(std::max(start, 0), size);
    *end = *begin + std::min(std::max(count, 0), size - *begin);
}

} // namespace

BitmapFont::BitmapFont(gr::Context* context, const String& fileName)
{
    ChunkFile file(fileName);
    io::DataInputStream& in = file.in();
    auto readFont = [&] {
        const io::PathName image(io::PathName(fileName).parent().toString(), in.readUTF());
        m_sheet = new SpriteSheet(context->loadImage(image.toString()).ptr());
        m_glyphs.clear();
        m_leading = in.readShort();
        m_tracking = in.readShort();
        const int count = file.readCount(GLYPH_BYTES);
        m_maxAscent = m_maxDescent = 0;
        for (int i = 0; i < count; ++i) {
            const int code = file.readU16();
            int v[5];
            for (int& value : v)
                value = in.readShort();
            const int height = v[3], baseline = v[4];
            char name[8];
            std::snprintf(name, sizeof(name), "%u", unsigned(code));
            m_glyphs.put(uint16_t(code), m_sheet->addSprite(name, v[0], v[1], v[2], height, 0, baseline));
            m_maxAscent = std::max(m_maxAscent, baseline);
            m_maxDescent = std::max(m_maxDescent, height - baseline);
        }
    };
    if (!file.isChunked()) {
        readFont();
        return;
    }
    uint32_t id;
    int length;
    while (file.nextChunk(&id, &length)) {
        if (id == FONT && file.readU16() == 1)
            readFont();
        file.endChunk();
    }
}

int BitmapFont::getStringWidth(const String& text, int start, int count)
{
    const std::vector<uint16_t>& units = codeUnits(text);
    int begin, end;
    range(static_cast<int>(units.size()), start, count, &begin, &end);
    if (begin == end)
        return 0;
    int width = (end - begin - 1) * m_tracking;
    for (int i = begin; i < end; ++i)
        if (Sprite* g = glyph(units[i]))
            width += g->width();
    return width;
}

void BitmapFont::drawString(gr::Context* context, const String& text, int start, int count, float x, float y,
                            int vertical, int horizontal)
{
    float baseline = y;
    switch (vertical) {
    case Anchor::TOP: baseline = y + m_maxAscent; break;
    case Anchor::VCENTER: baseline = y + m_maxAscent - (m_maxAscent + m_maxDescent) / 2; break;
    case Anchor::BOTTOM: baseline = y - m_maxDescent; break;
    default: break;
    }
    if (horizontal == Anchor::HCENTER)
        x -= getStringWidth(text, start, count) / 2;
    else if (horizontal == Anchor::RIGHT)
        x -= getStringWidth(text, start, count);
    // Measuring reused the buffer: convert again for drawing.
    const std::vector<uint16_t>& units = codeUnits(text);
    int begin, end;
    range(static_cast<int>(units.size()), start, count, &begin, &end);
    for (int i = begin; i < end; ++i) {
        if (Sprite* g = glyph(units[i])) {
            g->draw(context, x, baseline, Anchor::VPIVOT, Anchor::HPIVOT);
            x += g->width() + m_tracking;
        }
    }
}

String BitmapFont::filterString(const String& text)
{
    String out;
    const uint8_t* at = reinterpret_cast<const uint8_t*>(text.c_str());
    const uint8_t* end = at + text.length();
    while (at < end) {
        int32_t code;
        const int used = UTFConverter::decode(UTFConverter::ENCODING_UTF8, at, end, &code);
        if (used <= 0) {
            at += -used > 0 ? -used : 1;
            continue;
        }
        // A character beyond the 16-bit range has no glyph: fonts are keyed by code unit.
        if (code < 0x10000 && glyph(code))
            out += String(reinterpret_cast<const char*>(at), used);
        at += used;
    }
    return out;
}

} // namespace game
