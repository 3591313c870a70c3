// What the world's collision rules read from and write to the scripts' tables, and the
// script callbacks they make. Runs inside the physics step.

#include "game/GameLua.h"

#include "lua/LuaState.h"

using lang::String;

namespace game {

bool GameLua::takesPart(const RenderObjectData& object)
{
    // Objects the scripts took out of objects.world take no part in the rules.
    if (!m_objects.isTable("world"))
        return false;
    return m_objects.getTable("world").isTable(object.name);
}

WorldListener::Damage GameLua::damage(const RenderObjectData& object)
{
    Damage damage;
    const lua::LuaTable& table = object.table;
    damage.hasStrength = table.isNumber("strength");
    if (damage.hasStrength)
        damage.strength = table.getNumber("strength");
    damage.hasDefence = table.isNumber("defence");
    if (damage.hasDefence)
        damage.defence = table.getNumber("defence");
    return damage;
}

void GameLua::setStrength(RenderObjectData& object, float strength)
{
    object.table.setNumber("strength", strength);
}

lua::LuaTable GameLua::deadBlocks()
{
    if (m_deadBlocks.isValid())
        return m_deadBlocks;
    return isTable("deadBlocks") ? getTable("deadBlocks") : lua::LuaTable();
}

void GameLua::destroyed(RenderObjectData& object)
{
    deadBlocks().setTable(object.name, &object.table);
}

bool GameLua::isImmovable(const RenderObjectData& object)
{
    return object.table.isString("material") && object.table.getString("material") == "immovable";
}

WorldListener::BirdFactors GameLua::birdFactors(const RenderObjectData& bird, const RenderObjectData& victim)
{
    BirdFactors factors;
    if (bird.table.isString("damageFactors")) {
        const String set = bird.table.getString("damageFactors");
        lua::LuaTable all = m_blockTable.isValid() ? m_blockTable : getTable("blockTable");
        lua::LuaTable entry = all.getTable("damageFactors").getTable(set);
        const String material = victim.table.getString("material");
        if (entry.isTable("damageMultiplier") && entry.getTable("damageMultiplier").isNumber(material.c_str()))
            factors.damageMultiplier = entry.getTable("damageMultiplier").getNumber(material.c_str());
        if (entry.isTable("velocityMultiplier") && entry.getTable("velocityMultiplier").isNumber(material.c_str()))
            factors.velocityMultiplier = entry.getTable("velocityMultiplier").getNumber(material.c_str());
    }
    factors.legacy = bird.table.isBoolean("useLegacyCollisionPath") && bird.table.getBoolean("useLegacyCollisionPath");
    return factors;
}

void GameLua::addBlockScore(float points)
{
    lua::LuaTable blocks = getTable("scoreTable").getTable("blocks");
    blocks.setNumber("score", blocks.getNumber("score") + points);
}

void GameLua::birdCollision(const RenderObjectData& bird, const RenderObjectData& other, float impact, float damage)
{
    callback("birdCollision", {bird.name, other.name, impact, damage});
}

void GameLua::blockCollision(const RenderObjectData& a, const RenderObjectData& b, float impact, bool damageable)
{
    callback("blockCollision", {a.name, b.name, impact, damageable});
}

void GameLua::stepped()
{
    callScript("removeBlocks");
}

} // namespace game
