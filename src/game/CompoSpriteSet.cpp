#include "game/CompoSpriteSet.h"

#include "game/ChunkFile.h"
#include "game/SpriteProvider.h"
#include "lang/Exception.h"

#include <algorithm>
#include <climits>

using lang::Format;
using lang::String;

namespace game {

namespace {

const uint32_t COMP = chunkId("COMP");
const int SPRITE_BYTES = 2 + 2;    // the shortest name, then its part count
const int PART_BYTES = 2 + 2 + 2;  // the shortest name, then x and y
const int EXTRA_BYTES = 2 + 2 + 2; // the same layout; read and not used

} // namespace

void CompoSprite::addPart(const String& name, Sprite* sprite, float x, float y)
{
    m_parts.add(CompoPart{name, sprite, x, y});
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const CompoPart& part : m_parts) {
        const Sprite& s = *part.sprite;
        const int x0 = static_cast<int>(part.x) - s.pivotX(), y0 = static_cast<int>(part.y) - s.pivotY();
        left = std::min(left, x0);
        top = std::min(top, y0);
        right = std::max(right, x0 + s.width());
        bottom = std::max(bottom, y0 + s.height());
    }
    m_width = right - left;
    m_height = bottom - top;
    m_pivotX = -left;
    m_pivotY = -top;
}

void CompoSprite::draw(gr::Context* context, float x, float y, int vertical, int horizontal) const
{
    switch (vertical) {
    case Anchor::TOP: y += m_pivotY; break;
    case Anchor::VCENTER: y += m_pivotY - m_height / 2; break;
    case Anchor::BOTTOM: y += m_pivotY - m_height; break;
    default: break;
    }
    switch (horizontal) {
    case Anchor::LEFT: x += m_pivotX; break;
    case Anchor::HCENTER: x += m_pivotX - m_width / 2; break;
    case Anchor::RIGHT: x += m_pivotX - m_width; break;
    default: break;
    }
    for (const CompoPart& part : m_parts)
        part.sprite->draw(context, x + part.x, y + part.y, Anchor::VPIVOT, Anchor::HPIVOT);
}

CompoSpriteSet::CompoSpriteSet(SpriteProvider* sprites, const String& fileName)
{
    ChunkFile file(fileName);
    if (!file.isChunked())
        file.malformed();
    io::DataInputStream& in = file.in();
    uint32_t id;
    int length;
    while (file.nextChunk(&id, &length)) {
        const int version = id == COMP ? file.readU16() : 0;
        if (version == 1 || version == 2) {
            const int count = file.readCount(SPRITE_BYTES);
            for (int i = 0; i < count; ++i) {
                const String name = in.readUTF();
                lang::Ptr<CompoSprite> compo = new CompoSprite;
                const int parts = file.readCount(PART_BYTES);
                for (int p = 0; p < parts; ++p) {
                    const String spriteName = in.readUTF();
                    const float x = static_cast<float>(in.readShort());
                    const float y = static_cast<float>(in.readShort());
                    Sprite* sprite = sprites->getSprite(spriteName);
                    if (!sprite)
                        throw lang::Exception(
                            Format("Sprite \"{0}\" not loaded while loading {1}", spriteName, fileName));
                    compo->addPart(spriteName, sprite, x, y);
                }
                if (version == 2) {
                    const int extras = file.readCount(EXTRA_BYTES);
                    for (int e = 0; e < extras; ++e) {
                        in.readUTF();
                        in.readShort();
                        in.readShort();
                    }
                }
                m_sprites.put(name, compo);
            }
        }
        file.endChunk();
    }
}

} // namespace game
