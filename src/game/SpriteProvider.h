#pragma once

#include "lang/String.h"

namespace game {

class Sprite;

/// Finds loaded sprites by name, for the files and the world that refer to them.
class SpriteProvider
{
public:
    /// The sprite of a sprite sheet registered under name, or null.
    virtual Sprite* getSprite(const lang::String& name) = 0;

protected:
    ~SpriteProvider() = default;
};

} // namespace game
