#pragma once

#include "gr/Image.h"
#include "lang/Hashtable.h"
#include "lang/Ptr.h"
#include "lang/String.h"

#include <cstdint>

namespace gr {
class Context;
}

namespace game {

/// Where a drawing position lies on a picture: a vertical and a horizontal code.
struct Anchor
{
    enum Vertical { TOP = 0, VCENTER = 1, BOTTOM = 2, BASELINE = 3, VPIVOT = 4 };
    enum Horizontal { LEFT = 0, HCENTER = 1, RIGHT = 2, HPIVOT = 3 };

    int vertical = VPIVOT;
    int horizontal = HPIVOT;

    Anchor() = default;
    Anchor(int v, int h) : vertical(v), horizontal(h) {}
};

/// Sets the vertical or the horizontal code of anchor from one name ("TOP", "VCENTER",
/// "BOTTOM", "BASELINE", "VPIVOT", "LEFT", "HCENTER", "RIGHT", "HPIVOT"). An empty name
/// changes nothing; another name throws lang::Exception "Invalid anchor: {0}".
void parseAnchor(const lang::String& name, Anchor& anchor);

/// A named rectangle of a sprite sheet's image, with a pivot point.
///
/// The sprite holds its image counted, not through its sheet: composite sprites keep their
/// part sprites, and a part must still draw its picture after its sheet was released.
class Sprite : public lang::Object
{
public:
    /// A rectangle of image in pixels, pivot relative to its top-left corner.
    Sprite(gr::Image* image, int x, int y, int width, int height, int pivotX, int pivotY);

    /// Draws the rectangle into width x height pixels, the position's anchor lying where
    /// the codes say; the anchor offsets always come from the sprite's own size and pivot.
    void draw(gr::Context* context, float x, float y, float width, float height, int vertical, int horizontal) const;
    /// Draws at the sprite's own size.
    void draw(gr::Context* context, float x, float y, int vertical, int horizontal) const
    {
        draw(context, x, y, m_width, m_height, vertical, horizontal);
    }

    /// Draws at the sprite's own size with its pivot on x, y, scaled about the pivot and
    /// turned by angle radians (see gr::Context::drawImageTransformed).
    void drawTransformed(gr::Context* context, float x, float y, float angle, float scaleX, float scaleY) const;

    int x() const { return m_x; }
    int y() const { return m_y; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int pivotX() const { return m_pivotX; }
    int pivotY() const { return m_pivotY; }
    gr::Image* image() const { return m_image.ptr(); }
    /// u, v of the corners top-left, top-right, bottom-left, bottom-right.
    const float* textureCoordinates() const { return m_uv; }

private:
    lang::Ptr<gr::Image> m_image;
    int16_t m_x, m_y, m_width, m_height, m_pivotX, m_pivotY;
    float m_uv[8] = {};
};

/// One image and the named sprites in it, read from a sprite-sheet file.
class SpriteSheet : public lang::Object
{
public:
    /// Reads fileName (full path); its image is read by the context from the sheet's own
    /// directory. Throws IOException, or the context's error for the image.
    SpriteSheet(gr::Context* context, const lang::String& fileName);
    /// An empty sheet over an image, filled with addSprite.
    explicit SpriteSheet(gr::Image* image) : m_image(image) {}

    /// The sprite of that name, or null.
    Sprite* getSprite(const lang::String& name) const { return m_sprites.get(name).ptr(); }
    /// Stores a new sprite of the sheet's image under name, replacing one of that name.
    Sprite* addSprite(const lang::String& name, int x, int y, int width, int height, int pivotX, int pivotY);

    const lang::Hashtable<lang::String, lang::Ptr<Sprite>>& sprites() const { return m_sprites; }
    gr::Image* image() const { return m_image.ptr(); }

private:
    lang::Ptr<gr::Image> m_image;
    lang::Hashtable<lang::String, lang::Ptr<Sprite>> m_sprites;
};

} // namespace game
