// Which objects touch, and what their impacts do: strength, destroyed blocks, the bird's
// slow-down and the block-damage score. Runs inside the physics step.

#include "game/GameLua.h"

#include "lua/LuaState.h"

#include <cmath>

using lang::String;

namespace game {

namespace {

RenderObjectData* recordOf(b2Fixture* fixture)
{
    return reinterpret_cast<RenderObjectData*>(fixture->GetUserData().pointer);
}

bool isImmovable(const RenderObjectData* record)
{
    return record->table.isString("material") && record->table.getString("material") == "immovable";
}

} // namespace

bool GameLua::ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB)
{
    RenderObjectData* a = recordOf(fixtureA);
    RenderObjectData* b = recordOf(fixtureB);
    if (!a || !b)
        return true;
    if (!a->collides || !b->collides)
        return false;
    if ((a->immovableCheck && isImmovable(b)) || (b->immovableCheck && isImmovable(a)))
        return false;
    return true;
}

void GameLua::BeginContact(b2Contact* contact)
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

lua::LuaTable GameLua::deadBlocks()
{
    if (m_deadBlocks.isValid())
        return m_deadBlocks;
    return isTable("deadBlocks") ? getTable("deadBlocks") : lua::LuaTable();
}

void GameLua::contact(b2Contact* contact)
{
    if (m_loading || m_editing)
        return;
    RenderObjectData* a = recordOf(contact->GetFixtureA());
    RenderObjectData* b = recordOf(contact->GetFixtureB());
    if (!a || !b)
        return;
    lua::LuaTable world = m_objects.isTable("world") ? m_objects.getTable("world") : lua::LuaTable();
    if (!world.isTable(a->name.c_str()) || !world.isTable(b->name.c_str()))
        return;

    if (a->bird && b->bird) {
        const b2Vec2 va = a->body->GetLinearVelocity(), vb = b->body->GetLinearVelocity();
        const RenderObjectData* fast = va.LengthSquared() > vb.LengthSquared() ? a : b;
        const float impact = fast->body->GetLinearVelocity().Length() * fast->body->GetMass() / 10;
        callback("birdCollision", {a->name, b->name, impact, 0.0f});
    } else if (!a->bird && !b->bird) {
        blockOnBlock(a, b);
    } else {
        birdOnVictim(a->bird ? a : b, a->bird ? b : a, contact);
    }
}

void GameLua::blockOnBlock(RenderObjectData* a, RenderObjectData* b)
{
    const b2Vec2 momentum = a->body->GetMass() * a->body->GetLinearVelocity() - b->body->GetMass() * b->body->GetLinearVelocity();
    const float impact = momentum.Length() * 0.1f;
    float total = 0;
    bool protectedA = false, protectedB = false;
    for (RenderObjectData* object : {a, b}) {
        lua::LuaTable& table = object->table;
        if (!table.isNumber("strength"))
            continue;
        const float defence = table.isNumber("defence") ? table.getNumber("defence") : 0;
        if (table.isNumber("defence") && defence > impact) {
            (object == a ? protectedA : protectedB) = true;
            continue;
        }
        const float loss = impact - defence;
        const float strength = table.getNumber("strength");
        const float left = strength - loss;
        table.setNumber("strength", left);
        if (left <= 0) {
            deadBlocks().setTable(object->name, &table);
            total += strength;
        } else {
            total += loss;
        }
    }
    callback("blockCollision", {a->name, b->name, impact, !(protectedA && protectedB)});
    if (total > 0) {
        lua::LuaTable blocks = getTable("scoreTable").getTable("blocks");
        blocks.setNumber("score", blocks.getNumber("score") + std::floor(total) * 10);
    }
}

void GameLua::birdOnVictim(RenderObjectData* bird, RenderObjectData* victim, b2Contact* contact)
{
    float damageMultiplier = 1, velocityMultiplier = 1;
    if (bird->table.isString("damageFactors")) {
        const String set = bird->table.getString("damageFactors");
        lua::LuaTable factors = m_blockTable.isValid() ? m_blockTable : getTable("blockTable");
        lua::LuaTable entry = factors.getTable("damageFactors").getTable(set);
        const String material = victim->table.getString("material");
        if (entry.isTable("damageMultiplier") && entry.getTable("damageMultiplier").isNumber(material.c_str()))
            damageMultiplier = entry.getTable("damageMultiplier").getNumber(material.c_str());
        if (entry.isTable("velocityMultiplier") && entry.getTable("velocityMultiplier").isNumber(material.c_str()))
            velocityMultiplier = entry.getTable("velocityMultiplier").getNumber(material.c_str());
    }
    const bool legacy = bird->table.isBoolean("useLegacyCollisionPath") && bird->table.getBoolean("useLegacyCollisionPath");
    const b2Vec2 v = bird->body->GetLinearVelocity();
    const float mass = bird->body->GetMass();
    const float impact = v.Length() * mass / 10;
    const float damage = impact * damageMultiplier;
    float reported = 0;
    lua::LuaTable& table = victim->table;
    if (table.isNumber("strength")) {
        const float defence = table.isNumber("defence") ? table.getNumber("defence") : 0;
        reported = damage - defence;
        if (reported > 0) {
            const float old = table.getNumber("strength");
            const float left = old - reported;
            table.setNumber("strength", left);
            if (left <= 0) {
                deadBlocks().setTable(victim->name, &table);
                if (legacy) {
                    const float k = std::fmin(1.0f, (-left) / mass / damage * 10 * 1.75f);
                    if (bird->body->GetType() != b2_staticBody)
                        bird->body->SetLinearVelocity(k * v);
                } else {
                    const float k = std::fmin(1.0f, (damage - old) / damage * velocityMultiplier);
                    bird->pendingVelocityX = k * v.x;
                    bird->pendingVelocityY = k * v.y;
                    bird->hasPendingVelocity = true;
                }
                contact->SetEnabled(false); // the bird passes through what it broke
                reported = old;
            }
        }
    }
    callback("birdCollision", {bird->name, victim->name, damage, std::floor(reported)});
}

} // namespace game
