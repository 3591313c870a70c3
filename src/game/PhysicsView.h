#pragma once

#include <cstdint>

namespace gr {
class Context;
}

namespace game {

class World;

/// Developer mode's physics view (F3): the physics world as the physics library sees it,
/// drawn in lines over the game's frame through the context's 2D batch.
class PhysicsView
{
public:
    static constexpr uint32_t AWAKE = 0xff40ff40;    ///< a dynamic body that moves
    static constexpr uint32_t SLEEPING = 0xff8080a0; ///< a dynamic body at rest
    static constexpr uint32_t STATIC = 0xff40a0ff;   ///< a body without mass
    static constexpr uint32_t JOINT = 0xffffd040;
    static constexpr uint32_t CONTACT = 0xffff4040;
    static constexpr uint32_t LIMITS = 0xffff40ff;

    /// Draws every shape's outline, every joint as a line between its anchors, every touching
    /// contact's points as small squares and the level limits as a rectangle, through the
    /// view the game draws its bodies with: world pixel = 20 x position, shown at
    /// (pixel - topLeft) x scale. The context's drawing state is restored afterwards.
    static void draw(gr::Context* context, const World& world, float topLeftX, float topLeftY, float scale);
};

} // namespace game
