#include "game/SpriteSheet.h"

#include "game/ChunkFile.h"
#include "gr/Context.h"
#include "io/PathName.h"
#include "lang/Exception.h"

#include <cstring>

using lang::Format;
using lang::String;

namespace game {

namespace {

const uint32_t SPRT = chunkId("SPRT");
const int RECORD_BYTES = 2 + 12; // the shortest name, then six 16-bit numbers

struct AnchorName
{
    const char* name;
    bool vertical;
    int code;
};

const AnchorName kAnchors[] = {
    {"TOP", true, Anchor::TOP},       {"VCENTER", true, Anchor::VCENTER}, {"BOTTOM", true, Anchor::BOTTOM},
    {"BASELINE", true, Anchor::BASELINE}, {"VPIVOT", true, Anchor::VPIVOT}, {"LEFT", false, Anchor::LEFT},
    {"HCENTER", false, Anchor::HCENTER}, {"RIGHT", false, Anchor::RIGHT},  {"HPIVOT", false, Anchor::HPIVOT},
};

} // namespace

void parseAnchor(const String& name, Anchor& anchor)
{
    if (name.isEmpty())
        return;
    for (const AnchorName& entry : kAnchors) {
        if (name == entry.name) {
            (entry.vertical ? anchor.vertical : anchor.horizontal) = entry.code;
            return;
        }
    }
    throw lang::Exception(Format("Invalid anchor: {0}", name));
}

Sprite::Sprite(gr::Image* image, int x, int y, int width, int height, int pivotX, int pivotY)
    : m_image(image), m_x(int16_t(x)), m_y(int16_t(y)), m_width(int16_t(width)), m_height(int16_t(height)),
      m_pivotX(int16_t(pivotX)), m_pivotY(int16_t(pivotY))
{
    if (gr::Texture* texture = image ? image->texture() : nullptr) {
        const float W = static_cast<float>(texture->width()), H = static_cast<float>(texture->height());
        const float u0 = m_x / W, v0 = m_y / H, u1 = (m_x + m_width) / W, v1 = (m_y + m_height) / H;
        const float uv[8] = {u0, v0, u1, v0, u0, v1, u1, v1};
        std::memcpy(m_uv, uv, sizeof(uv));
    }
}

void Sprite::draw(gr::Context* context, float x, float y, float width, float height, int vertical, int horizontal) const
{
    switch (vertical) {
    case Anchor::VCENTER: y -= m_height / 2; break;
    case Anchor::BOTTOM: y -= m_height; break;
    case Anchor::BASELINE:
    case Anchor::VPIVOT: y -= m_pivotY; break;
    default: break;
    }
    switch (horizontal) {
    case Anchor::HCENTER: x -= m_width / 2; break;
    case Anchor::RIGHT: x -= m_width; break;
    case Anchor::HPIVOT: x -= m_pivotX; break;
    default: break;
    }
    if (!m_image)
        return;
    if (gr::Texture* texture = m_image->texture())
        context->drawImage(texture, x, y, width, height, m_uv);
}

void Sprite::drawTransformed(gr::Context* context, float x, float y, float angle, float scaleX, float scaleY) const
{
    if (!m_image)
        return;
    if (gr::Texture* texture = m_image->texture())
        context->drawImageTransformed(texture, x, y, m_width, m_height, m_pivotX, m_pivotY, angle, scaleX, scaleY, m_uv);
}

Sprite* SpriteSheet::addSprite(const String& name, int x, int y, int width, int height, int pivotX, int pivotY)
{
    Sprite* sprite = new Sprite(m_image.ptr(), x, y, width, height, pivotX, pivotY);
    m_sprites.put(name, sprite);
    return sprite;
}

SpriteSheet::SpriteSheet(gr::Context* context, const String& fileName)
{
    ChunkFile file(fileName);
    auto readSheet = [&] {
        const io::PathName image(io::PathName(fileName).parent().toString(), file.in().readUTF());
        m_image = context->loadImage(image.toString());
        const int count = file.readCount(RECORD_BYTES);
        for (int i = 0; i < count; ++i) {
            const String name = file.in().readUTF();
            int v[6];
            for (int& value : v)
                value = file.in().readShort();
            addSprite(name, v[0], v[1], v[2], v[3], v[4], v[5]);
        }
    };
    if (!file.isChunked()) {
        readSheet();
        return;
    }
    uint32_t id;
    int length;
    while (file.nextChunk(&id, &length)) {
        if (id == SPRT && file.readU16() == 1)
            readSheet();
        file.endChunk();
    }
}

} // namespace game
