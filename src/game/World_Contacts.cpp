// Which objects touch, and what their impacts do: strength, destroyed blocks, the bird's
// slow-down and the block-damage score. Runs inside the physics step.

#include "game/World.h"

#include <cmath>

namespace game {

namespace {

RenderObjectData* recordOf(b2Fixture* fixture)
{
    return reinterpret_cast<RenderObjectData*>(fixture->GetUserData().pointer);
}

} // namespace

bool World::ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB)
{
    RenderObjectData* a = recordOf(fixtureA);
    RenderObjectData* b = recordOf(fixtureB);
    if (!a || !b)
        return true;
    if (!a->collides || !b->collides || a->removed || b->removed)
        return false;
    if ((a->immovableCheck && m_listener->isImmovable(*b)) || (b->immovableCheck && m_listener->isImmovable(*a)))
        return false;
    return true;
}

void World::BeginContact(b2Contact* contact)
{
    // A script error here would unwind through the physics library and leave its world
    // locked: it is kept and thrown once the step is over.
    if (m_stepFailure)
        return;
    try {
        this->contact(contact);
    } catch (...) {
        m_stepFailure = std::current_exception();
    }
}

void World::PreSolve(b2Contact* contact, const b2Manifold*)
{
    // The library enables every touching contact again before this call: an object removed
    // earlier in the step must not hold anything up for the rest of it.
    RenderObjectData* a = recordOf(contact->GetFixtureA());
    RenderObjectData* b = recordOf(contact->GetFixtureB());
    if ((a && a->removed) || (b && b->removed))
        contact->SetEnabled(false);
}

void World::contact(b2Contact* contact)
{
    if (m_loading || m_editing)
        return;
    RenderObjectData* a = recordOf(contact->GetFixtureA());
    RenderObjectData* b = recordOf(contact->GetFixtureB());
    if (!a || !b || a->removed || b->removed)
        return;
    if (!m_listener->takesPart(*a) || !m_listener->takesPart(*b))
        return;

    if (a->bird && b->bird) {
        const b2Vec2 va = a->body->GetLinearVelocity(), vb = b->body->GetLinearVelocity();
        const RenderObjectData* fast = va.LengthSquared() > vb.LengthSquared() ? a : b;
        const float impact = fast->body->GetLinearVelocity().Length() * fast->body->GetMass() / 10;
        m_listener->birdCollision(*a, *b, impact, 0.0f);
    } else if (!a->bird && !b->bird) {
        blockOnBlock(a, b);
    } else {
        birdOnVictim(a->bird ? a : b, a->bird ? b : a, contact);
    }
}

void World::blockOnBlock(RenderObjectData* a, RenderObjectData* b)
{
    const b2Vec2 momentum =
        a->body->GetMass() * a->body->GetLinearVelocity() - b->body->GetMass() * b->body->GetLinearVelocity();
    const float impact = momentum.Length() * 0.1f;
    float total = 0;
    bool protectedA = false, protectedB = false;
    for (RenderObjectData* object : {a, b}) {
        const WorldListener::Damage damage = m_listener->damage(*object);
        if (!damage.hasStrength)
            continue;
        const float defence = damage.hasDefence ? damage.defence : 0;
        if (damage.hasDefence && defence > impact) {
            (object == a ? protectedA : protectedB) = true;
            continue;
        }
        const float loss = impact - defence;
        const float left = damage.strength - loss;
        m_listener->setStrength(*object, left);
        if (left <= 0) {
            m_listener->destroyed(*object);
            total += damage.strength;
        } else {
            total += loss;
        }
    }
    m_listener->blockCollision(*a, *b, impact, !(protectedA && protectedB));
    if (total > 0)
        m_listener->addBlockScore(std::floor(total) * 10);
}

void World::birdOnVictim(RenderObjectData* bird, RenderObjectData* victim, b2Contact* contact)
{
    const WorldListener::BirdFactors factors = m_listener->birdFactors(*bird, *victim);
    const b2Vec2 v = bird->body->GetLinearVelocity();
    const float mass = bird->body->GetMass();
    const float impact = v.Length() * mass / 10;
    const float damage = impact * factors.damageMultiplier;
    float reported = 0;
    const WorldListener::Damage victimDamage = m_listener->damage(*victim);
    if (victimDamage.hasStrength) {
        const float defence = victimDamage.hasDefence ? victimDamage.defence : 0;
        reported = damage - defence;
        if (reported > 0) {
            const float old = victimDamage.strength;
            const float left = old - reported;
            m_listener->setStrength(*victim, left);
            if (left <= 0) {
                m_listener->destroyed(*victim);
                if (factors.legacy) {
                    const float k = std::fmin(1.0f, (-left) / mass / damage * 10 * 1.75f);
                    if (bird->body->GetType() != b2_staticBody)
                        bird->body->SetLinearVelocity(k * v);
                } else {
                    const float k = std::fmin(1.0f, (damage - old) / damage * factors.velocityMultiplier);
                    bird->pendingVelocityX = k * v.x;
                    bird->pendingVelocityY = k * v.y;
                    bird->hasPendingVelocity = true;
                }
                contact->SetEnabled(false); // the bird passes through what it broke
                reported = old;
            }
        }
    }
    m_listener->birdCollision(*bird, *victim, damage, std::floor(reported));
}

} // namespace game
