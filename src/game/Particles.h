#pragma once

#include "game/SpriteSheet.h"
#include "lang/Array.h"
#include "lang/Hashtable.h"
#include "lua/LuaObject.h"

#include <memory>

namespace game {

class GameLua;
class Resources;

/// One effect's definition, read once from particleTable.particles.
struct ParticleSystemData
{
    lang::String name;
    lang::Array<lang::String> sprites;
    lang::String sheet;
    bool animated = false;
    float minVel = 0, maxVel = 0;
    float minAngleVel = 0, maxAngleVel = 0;
    float minScaleBegin = 0, maxScaleBegin = 0;
    float minScaleEnd = 0, maxScaleEnd = 0;
    float lifeTime = 0;
    float gravityX = 0, gravityY = 0;
};

struct Particle
{
    lang::String spriteName;
    lang::Ptr<Sprite> sprite; ///< counted: a particle may outlive its sheet's registration
    float x = 0, y = 0;       ///< world pixels
    float vx = 0, vy = 0;     ///< pixels per second
    float rotation = 0, angularVelocity = 0;
    float scaleBegin = 1, scaleEnd = 1, scale = 1;
    float age = 0, lifeTime = 0;
    int frame = 1;
    const ParticleSystemData* effect = nullptr; ///< owned by the cache
};

/// The game's sprite particles (feathers, splinters, dust): emitted by the scripts within
/// limits, moved ballistically while physics runs, drawn in world coordinates. Published as
/// the script table particles. Main thread only.
class Particles : public lua::LuaObject
{
public:
    /// world and resources are not owned; both outlive the manager.
    Particles(lua::LuaState* state, GameLua* world, Resources* resources, float factor, int softLimit, int hardLimit);

    /// Emits count particles of an effect in the width x height rectangle centred on x, y and
    /// rotated by angle, within the limits.
    void addParticles(lang::String effect, float count, float x, float y, float width, float height, float angle);
    void setSoftLimit(float limit, float factor);
    void setHardLimit(float limit);

    /// Ages and moves every particle by dt seconds; removes the expired and fallen ones.
    void update(float dt);
    void draw();
    /// Drops every live particle and sets the limits; the definitions stay cached.
    void reset(float factor, int softLimit, int hardLimit);

    const lang::Array<Particle>& live() const { return m_particles; }
    int softLimit() const { return m_softLimit; }
    int hardLimit() const { return m_hardLimit; }
    float factor() const { return m_factor; }

private:
    GameLua* m_world;
    Resources* m_resources;
    lang::Array<Particle> m_particles;
    lang::Hashtable<lang::String, std::shared_ptr<ParticleSystemData>> m_effects;
    float m_factor;
    int m_softLimit;
    int m_hardLimit;

    /// The cached definition, read on first use; null when the effect is not defined.
    const ParticleSystemData* effect(const lang::String& name);
};

} // namespace game
