#pragma once

#include "game/SpriteSheet.h"
#include "lang/Array.h"
#include "lang/Hashtable.h"

namespace game {

class SpriteProvider;

/// One sprite of a composite sprite, its pivot placed at x, y from the composite's origin.
struct CompoPart
{
    lang::String name;
    /// Counted, so that a part still draws its picture after its sheet was released.
    lang::Ptr<Sprite> sprite;
    float x = 0;
    float y = 0;
};

/// A picture assembled from sprites placed around a common origin.
class CompoSprite : public lang::Object
{
public:
    /// Appends a part and grows the bounds around it.
    void addPart(const lang::String& name, Sprite* sprite, float x, float y);
    /// Draws every part at its own size, the codes placing the bounding box or the origin
    /// as for a sprite.
    void draw(gr::Context* context, float x, float y, int vertical, int horizontal) const;

    const lang::Array<CompoPart>& parts() const { return m_parts; }
    /// The bounding box of all parts, and the origin's place in it from its top-left corner.
    int width() const { return m_width; }
    int height() const { return m_height; }
    int pivotX() const { return m_pivotX; }
    int pivotY() const { return m_pivotY; }

private:
    lang::Array<CompoPart> m_parts;
    int m_width = 0;
    int m_height = 0;
    int m_pivotX = 0;
    int m_pivotY = 0;
};

/// The composite sprites of one file, by name.
class CompoSpriteSet : public lang::Object
{
public:
    /// Reads fileName; part sprites are found through sprites, which must hold every one
    /// (lang::Exception "Sprite \"{0}\" not loaded while loading {1}"). Throws IOException.
    CompoSpriteSet(SpriteProvider* sprites, const lang::String& fileName);

    CompoSprite* get(const lang::String& name) const { return m_sprites.get(name).ptr(); }
    const lang::Hashtable<lang::String, lang::Ptr<CompoSprite>>& sprites() const { return m_sprites; }

private:
    lang::Hashtable<lang::String, lang::Ptr<CompoSprite>> m_sprites;
};

} // namespace game
