#include "game/Particles.h"

#include "game/GameLua.h"
#include "game/Resources.h"
#include "gr/Context.h"
#include "lang/Debug.h"

#include <cmath>
#include <cstdlib>

using lang::String;

namespace game {

namespace {

/// A value in [0, 1) of 15 bits, from the C library's generator.
float random01()
{
    return static_cast<float>(std::rand() & 0x7fff) / 32768.0f;
}

float between(float low, float high)
{
    return low + (high - low) * random01();
}

float numberOr0(const lua::LuaTable& table, const char* key)
{
    return table.isNumber(key) ? table.getNumber(key) : 0.0f;
}

} // namespace

Particles::Particles(lua::LuaState* state, GameLua* world, Resources* resources, float factor, int softLimit, int hardLimit)
    : LuaObject(state), m_world(world), m_resources(resources), m_effects(String(), nullptr), m_factor(factor),
      m_softLimit(softLimit), m_hardLimit(hardLimit)
{
    registerMethod("addParticles", this, &Particles::addParticles);
    registerMethod("setSoftLimit", this, &Particles::setSoftLimit);
    registerMethod("setHardLimit", this, &Particles::setHardLimit);
}

void Particles::reset(float factor, int softLimit, int hardLimit)
{
    m_particles.clear();
    m_factor = factor;
    m_softLimit = softLimit;
    m_hardLimit = hardLimit;
}

void Particles::setSoftLimit(float limit, float factor)
{
    m_softLimit = static_cast<int>(limit);
    m_factor = factor;
}

void Particles::setHardLimit(float limit)
{
    m_hardLimit = static_cast<int>(limit);
}

const ParticleSystemData* Particles::effect(const String& name)
{
    if (const std::shared_ptr<ParticleSystemData>* cached = m_effects.find(name))
        return cached->get();
    if (!m_world->isTable("particleTable"))
        return nullptr;
    lua::LuaTable all = m_world->getTable("particleTable");
    if (!all.isTable("particles"))
        return nullptr;
    lua::LuaTable effects = all.getTable("particles");
    if (!effects.isTable(name))
        return nullptr;
    lua::LuaTable t = effects.getTable(name);
    auto data = std::make_shared<ParticleSystemData>();
    data->name = name;
    if (t.isTable("sprites")) {
        lua::LuaTable sprites = t.getTable("sprites");
        for (int i = 1; sprites.isString(i); ++i)
            data->sprites.add(sprites.getString(i));
    }
    if (t.isString("sheet"))
        data->sheet = t.getString("sheet");
    data->animated = t.isString("animation") && t.getString("animation") == "lifeTime";
    data->minVel = numberOr0(t, "minVel");
    data->maxVel = numberOr0(t, "maxVel");
    data->minAngleVel = numberOr0(t, "minAngleVel");
    data->maxAngleVel = numberOr0(t, "maxAngleVel");
    data->minScaleBegin = numberOr0(t, "minScaleBegin");
    data->maxScaleBegin = numberOr0(t, "maxScaleBegin");
    data->minScaleEnd = numberOr0(t, "minScaleEnd");
    data->maxScaleEnd = numberOr0(t, "maxScaleEnd");
    data->lifeTime = numberOr0(t, "lifeTime");
    data->gravityX = numberOr0(t, "gravityX");
    data->gravityY = numberOr0(t, "gravityY");
    m_effects.put(name, data);
    return data.get();
}

void Particles::addParticles(String name, float count, float x, float y, float width, float height, float angle)
{
    const int live = m_particles.size();
    if (m_softLimit < live + count)
        count *= m_factor;
    if (m_hardLimit < live + count)
        count = static_cast<float>(m_hardLimit - live);
    if (count <= 0)
        return;
    const ParticleSystemData* data = effect(name);
    if (!data || data->sprites.isEmpty()) {
        // Nothing to show: an undefined effect, or one without sprites.
        lang::log("Particle effect %s has no sprites; nothing emitted\n", name.c_str());
        return;
    }
    const float c = std::cos(angle), s = std::sin(angle);
    for (int emitted = 0; emitted < count; ++emitted) {
        Particle p;
        const float dx = (random01() - 0.5f) * width;
        const float dy = (random01() - 0.5f) * height;
        p.x = x + c * dx - s * dy;
        p.y = y + s * dx + c * dy;
        p.vx = between(data->minVel, data->maxVel);
        p.vy = between(data->minVel, data->maxVel);
        p.rotation = random01() * 2 * static_cast<float>(M_PI);
        p.angularVelocity = between(data->minAngleVel, data->maxAngleVel);
        p.scaleBegin = between(data->minScaleBegin, data->maxScaleBegin);
        p.scaleEnd = between(data->minScaleEnd, data->maxScaleEnd);
        p.scale = p.scaleBegin;
        p.lifeTime = data->lifeTime;
        const int k = data->sprites.size();
        p.spriteName = data->animated ? data->sprites[0] : data->sprites[std::min(k - 1, static_cast<int>(k * random01()))];
        p.sprite = m_resources->getSprite(p.spriteName);
        p.effect = data;
        m_particles.add(std::move(p));
    }
}

void Particles::update(float dt)
{
    int kept = 0;
    for (int i = 0; i < m_particles.size(); ++i) {
        Particle& p = m_particles[i];
        p.age += dt;
        if (p.lifeTime < p.age || p.y > 0)
            continue;
        const ParticleSystemData& data = *p.effect;
        p.vx += dt * data.gravityX;
        p.vy += dt * data.gravityY;
        p.x += dt * p.vx;
        p.y += dt * p.vy;
        p.rotation += dt * p.angularVelocity;
        // A lifetime of 0 lives through an update of dt 0: it counts as at its end.
        const float t = p.lifeTime > 0 ? p.age / p.lifeTime : 1.0f;
        p.scale = p.scaleBegin + t * (p.scaleEnd - p.scaleBegin);
        if (data.animated) {
            const int k = data.sprites.size();
            const int frame = std::max(1, std::min(k, static_cast<int>(std::ceil(t * k))));
            if (frame != p.frame) {
                p.spriteName = data.sprites[frame - 1];
                SpriteSheet* sheet = m_resources->spriteSheet(data.sheet);
                p.sprite = sheet ? sheet->getSprite(p.spriteName) : nullptr;
                p.frame = frame;
            }
        }
        // Survivors close up over the removed, keeping their order.
        if (kept != i)
            m_particles[kept] = std::move(p);
        ++kept;
    }
    m_particles.resize(kept);
}

void Particles::draw()
{
    gr::Context* context = m_world->context();
    gr::DrawState state = context->drawState();
    const gr::DrawState saved = state;
    for (const Particle& p : m_particles) {
        const float s = p.scale;
        if (!p.sprite || s == 0)
            continue; // nothing to show, and no place to divide by
        state.translateX = -m_world->topLeftX() / s;
        state.translateY = -m_world->topLeftY() / s;
        state.scaleX = state.scaleY = m_world->worldScale() * s;
        GameLua::rotate(state, p.rotation, static_cast<float>(p.sprite->pivotX()), static_cast<float>(p.sprite->pivotY()));
        context->setDrawState(state);
        p.sprite->draw(context, p.x / s, p.y / s, Anchor::VPIVOT, Anchor::HPIVOT);
    }
    state = saved;
    state.angle = 0;
    context->setDrawState(saved);
}

} // namespace game
