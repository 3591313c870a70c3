// The physics natives, and the object tables that follow the world's objects.

#include "game/GameLua.h"

#include "game/Resources.h"

#include "lang/Debug.h"
#include "lua/LuaException.h"
#include "lua/NativeCall.h"

using lang::Format;
using lang::String;

namespace game {

namespace {

ObjectDef objectDef(ObjectDef::Shape shape, const String& name, const String& sprite, float x, float y, float density,
                    float friction, float restitution, bool bird, float zOrder)
{
    ObjectDef def;
    def.shape = shape;
    def.name = name;
    def.sprite = sprite;
    def.x = x;
    def.y = y;
    def.density = density;
    def.friction = friction;
    def.restitution = restitution;
    def.bird = bird;
    def.zOrder = zOrder;
    return def;
}

const char* typeName(ObjectDef::Shape shape)
{
    return shape == ObjectDef::BOX ? "box" : shape == ObjectDef::CIRCLE ? "circle" : "polygon";
}

} // namespace

void GameLua::createObject(const ObjectDef& def)
{
    Format why;
    if (def.invalid(&why))
        throw lua::LuaException(why);
    m_objects.getTable("world"); // the scripts make objects.world; without it, nothing is made
    m_physics->createObject(def);
}

void GameLua::createBox(String name, String sprite, float x, float y, float width, float height, float density,
                        float friction, float restitution, bool collides, bool bird, float zOrder)
{
    ObjectDef def = objectDef(ObjectDef::BOX, name, sprite, x, y, density, friction, restitution, bird, zOrder);
    def.width = width;
    def.height = height;
    def.collides = collides;
    createObject(def);
}

void GameLua::createCircle(String name, String sprite, float x, float y, float radius, float density, float friction,
                           float restitution, bool bird, float zOrder)
{
    ObjectDef def = objectDef(ObjectDef::CIRCLE, name, sprite, x, y, density, friction, restitution, bird, zOrder);
    def.radius = radius;
    createObject(def);
}

void GameLua::createPolygon(String name, String sprite, float x, float y, float width, float height, float density,
                            float friction, float restitution, bool collides, bool bird, float zOrder)
{
    ObjectDef def = objectDef(ObjectDef::POLYGON, name, sprite, x, y, density, friction, restitution, bird, zOrder);
    def.width = width;
    def.height = height;
    def.collides = collides;
    def.vertices = m_vertices;
    createObject(def);
}

void GameLua::objectCreated(RenderObjectData& record, const ObjectDef& def)
{
    if (!def.sprite.isEmpty())
        record.sprite = m_resources->getSprite(def.sprite);
    lua::LuaTable table(state());
    table.setString("name", def.name);
    table.setString("sprite", def.sprite);
    table.setString("type", typeName(def.shape));
    table.setNumber("x", def.x);
    table.setNumber("y", def.y);
    table.setNumber("angle", 0);
    table.setNumber("density", def.density);
    table.setNumber("friction", def.friction);
    table.setNumber("restitution", def.restitution);
    table.setNumber("mass", record.body->GetMass());
    table.setNumber("xVel", 0);
    table.setNumber("yVel", 0);
    table.setNumber("z_order", def.zOrder);
    if (def.shape == ObjectDef::CIRCLE) {
        table.setNumber("radius", def.radius);
    } else {
        table.setNumber("width", def.width);
        table.setNumber("height", def.height);
    }
    m_objects.getTable("world").setTable(def.name, &table);
    record.table = table;
    if (def.shape == ObjectDef::POLYGON && !def.sprite.isEmpty() && !record.sprite)
        lang::log("Sprite not found: %s\n", def.sprite.c_str());
}

void GameLua::objectMoved(RenderObjectData& record)
{
    record.table.setNumber("x", record.x);
    record.table.setNumber("y", record.y);
}

void GameLua::objectTurned(RenderObjectData& record)
{
    record.table.setNumber("angle", record.angle);
}

void GameLua::objectPublished(RenderObjectData& record, float angle, bool awake, bool outside)
{
    lua::LuaTable& table = record.table;
    table.setNumber("x", record.x);
    table.setNumber("y", record.y);
    if (outside)
        table.setBoolean("frozen", true);
    if (record.bird) {
        const b2Vec2 v = record.body->GetLinearVelocity();
        table.setNumber("xVel", v.x);
        table.setNumber("yVel", v.y);
    }
    table.setNumber("angle", angle);
    table.setBoolean("sleeping", !awake);
}

void GameLua::clearVertices()
{
    m_vertices.clear();
}

void GameLua::addVertex(float x, float y)
{
    m_vertices.add(b2Vec2(x, y));
}

void GameLua::removeObject(String name)
{
    m_physics->removeObject(name);
}

void GameLua::applyImpulse(String name, float ix, float iy, float px, float py)
{
    m_physics->applyImpulse(name, b2Vec2(ix, iy), b2Vec2(px, py));
}

void GameLua::applyForce(String name, float fx, float fy, float px, float py)
{
    m_physics->applyForce(name, b2Vec2(fx, fy), b2Vec2(px, py));
}

void GameLua::setPosition(String name, float x, float y)
{
    m_physics->setPosition(name, x, y);
}

void GameLua::setRotation(String name, float angle)
{
    m_physics->setRotation(name, angle);
}

void GameLua::setVelocity(String name, float vx, float vy)
{
    m_physics->setVelocity(name, vx, vy);
}

void GameLua::setAngularVelocity(String name, float w)
{
    m_physics->setAngularVelocity(name, w);
}

void GameLua::setSleeping(String name, bool sleeping)
{
    m_physics->setSleeping(name, sleeping);
}

void GameLua::setObjectParameter(String name, float parameter, float value)
{
    switch (static_cast<int>(parameter)) {
    case 1:
        if (RenderObjectData* record = m_physics->find(name, "setObjectParameter"))
            record->draw = static_cast<int>(value) == 1;
        break;
    case 2: m_physics->setDynamic(name, value != 0); break;
    default: break;
    }
}

void GameLua::setMaterial(String name, String material)
{
    m_physics->setMaterial(name, material);
}

float GameLua::getAngle(std::string_view name)
{
    const RenderObjectData* record = m_physics->find(name, "getAngle");
    return record ? record->angle : 0.0f;
}

int GameLua::getWorldPoint(lua::NativeCall& call)
{
    const std::string_view name = call.getText(1);
    const float lx = call.getNumber(2);
    const float ly = call.getNumber(3);
    float x = lx, y = ly;
    if (const RenderObjectData* record = m_physics->find(name, "getWorldPoint")) {
        const b2Transform& t = record->body->GetTransform();
        x = t.p.x + t.q.c * lx - t.q.s * ly;
        y = t.p.y + t.q.s * lx + t.q.c * ly;
    }
    call.push(x);
    call.push(y);
    return 2;
}

void GameLua::setPhysicsSimulationScale(float scale)
{
    m_simulationScale = scale;
}

void GameLua::setPhysicsEnabled(bool on)
{
    m_physics->setEnabled(on);
}

bool GameLua::isPhysicsEnabled()
{
    return m_physics->isEnabled();
}

int GameLua::getPhysicsTime(lua::NativeCall& call)
{
    call.push(m_physics->stepMilliseconds());
    call.push(static_cast<float>(m_physics->stepsTaken()));
    return 2;
}

void GameLua::setMaxTranslation(float distance)
{
    World::setMaxTranslation(distance);
}

void GameLua::setLevelLimits(float left, float, float right, float)
{
    m_physics->setLevelLimits(static_cast<int>(left), static_cast<int>(right));
}

void GameLua::setEditing(bool on)
{
    m_physics->setEditing(on);
}

// --- rolling sounds ------------------------------------------------------------

namespace {

const char* const kRollingSounds[4] = {nullptr, "wood_rolling", "rock_rolling", "light_rolling"};

} // namespace

void GameLua::playRollingSounds()
{
    // Without an output there is nothing to play, and nothing to complain about each frame.
    audio::AudioOutput* output = m_resources->audioOutput();
    if (!output)
        return;
    for (int material = MATERIAL_WOOD; material <= MATERIAL_LIGHT; ++material) {
        const float volume = m_physics->rollingVolume(material);
        int& handle = m_rollingHandles[material];
        if (volume > 0 && handle >= 0 && output->isPlaying(handle))
            output->setPlayVolume(handle, volume);
        else if (volume > 0)
            handle = m_resources->playAudio(kRollingSounds[material], volume, true, 2);
        else
            m_resources->stopAudio(kRollingSounds[material]);
    }
}

void GameLua::stopRollingSounds()
{
    if (!m_resources->audioOutput())
        return;
    for (int material = MATERIAL_WOOD; material <= MATERIAL_LIGHT; ++material)
        m_resources->stopAudio(kRollingSounds[material]);
}

} // namespace game
