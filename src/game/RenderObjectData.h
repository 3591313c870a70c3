#pragma once

#include "game/SpriteSheet.h"
#include "lang/String.h"
#include "lua/LuaTable.h"

class b2Body;

namespace game {

/// One physics state snapshot.
struct PhysicsState
{
    float x = 0;
    float y = 0;
    float angle = 0;
};

/// Materials of physics objects; they choose the rolling sound.
enum Material { MATERIAL_NONE = 0, MATERIAL_WOOD = 1, MATERIAL_ROCK = 2, MATERIAL_LIGHT = 3 };

/// The engine's record of one named physics object, owned by the game world.
struct RenderObjectData
{
    PhysicsState state[2]; ///< the two snapshots; the game world's slot says which is newer
    int material = MATERIAL_NONE;
    /// The object's script table in objects.world. The world itself never reads it: it is
    /// the script binding's handle, carried here so that the binding needs no second lookup.
    lua::LuaTable table;
    float pendingVelocityX = 0, pendingVelocityY = 0;
    lang::String name;
    lang::String spriteName;
    lang::Ptr<Sprite> sprite;       ///< drawn at the body; null when the name is unknown
    lang::Ptr<gr::Texture> texture; ///< the mask the sprite is drawn through, or null
    b2Body* body = nullptr; ///< owned by the physics world
    float rollingFactor = -1; ///< circle radius; -1 for boxes and polygons
    float x = 0, y = 0, angle = 0; ///< interpolated state, published and drawn
    float zOrder = 0;
    bool hasPendingVelocity = false;
    bool wasAwake = false;
    bool collides = false;
    bool bird = false;
    bool rolling = false;
    bool draw = false;
    bool immovableCheck = false;
    bool destroyTimerRunning = false;
    float destroyTimer = 0;
    /// Removed during a physics step: it takes no further part in that step's contacts and
    /// is destroyed right after it.
    bool removed = false;
    bool frozen = false; ///< left the level (below y 20 or beyond a limit); never reset
    /// Where the game world's list of awake bodies holds it; -1 while its body sleeps.
    int awakeIndex = -1;
};

} // namespace game
