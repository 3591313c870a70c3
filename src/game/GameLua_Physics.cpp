// The physics natives and the fixed-step simulation of the game world.

#include "game/GameLua.h"

#include "game/Resources.h"

#include "lang/Debug.h"
#include "lua/LuaException.h"
#include "lua/LuaState.h"

#include <lua.h>

#include <cmath>

using lang::Format;
using lang::String;

namespace game {

namespace {

const float TWO_PI = 6.28318530718f;
const float SKIN_RADIUS = 0.1f;

/// Refuses values the physics library would assert on.
void requireFinite(const String& name, const char* what, float value)
{
    if (!std::isfinite(value))
        throw lua::LuaException(Format("Object {0}: {1} must be a finite number, not {2}", name, what, value));
}

void requirePositive(const String& name, const char* what, float value)
{
    requireFinite(name, what, value);
    if (!(value > 0))
        throw lua::LuaException(Format("Object {0}: {1} must be greater than 0, not {2}", name, what, value));
}

float bodyAngle(const b2Body* body)
{
    const b2Rot& q = body->GetTransform().q;
    return std::atan2(q.s, q.c);
}

} // namespace

const RenderObjectData* GameLua::object(const String& name) const
{
    RenderObjectData* const* found = m_objectsByName.find(name);
    return found ? *found : nullptr;
}

RenderObjectData* GameLua::find(const String& name, const char* native)
{
    RenderObjectData** found = m_objectsByName.find(name);
    if (found)
        return *found;
    if (native)
        lang::log("%s: no object named %s\n", native, name.c_str());
    return nullptr;
}

RenderObjectData* GameLua::createObject(const String& name, const String& sprite, float x, float y, float density,
                                        float friction, float restitution, const b2Shape& shape, float zOrder,
                                        const char* type)
{
    requireFinite(name, "x", x);
    requireFinite(name, "y", y);
    requireFinite(name, "density", density);
    requireFinite(name, "friction", friction);
    requireFinite(name, "restitution", restitution);
    requireFinite(name, "z_order", zOrder);
    lua::LuaTable world = m_objects.getTable("world"); // the scripts make objects.world

    // A name registered again replaces the old object whole: no body stays unreachable.
    if (m_objectsByName.containsKey(name))
        removeObject(name);

    b2BodyDef def;
    def.type = density != 0 ? b2_dynamicBody : b2_staticBody;
    def.position.Set(x, y);
    def.angularDamping = 1.0f;
    def.allowSleep = true;
    def.awake = true;
    b2Body* body = m_world->CreateBody(&def);

    auto* record = new RenderObjectData;
    b2FixtureDef fixture;
    fixture.shape = &shape;
    fixture.density = density;
    fixture.friction = friction;
    fixture.restitution = restitution;
    fixture.filter.categoryBits = 0x0001;
    fixture.filter.maskBits = 0xFFFF;
    fixture.filter.groupIndex = 0;
    fixture.userData.pointer = reinterpret_cast<uintptr_t>(record);
    body->CreateFixture(&fixture);
    body->GetUserData().pointer = reinterpret_cast<uintptr_t>(record);

    record->name = name;
    record->spriteName = sprite;
    record->body = body;
    record->state[0] = record->state[1] = PhysicsState{x, y, 0};
    record->x = x;
    record->y = y;
    record->zOrder = zOrder;
    if (!sprite.isEmpty())
        record->sprite = m_resources->getSprite(sprite);

    lua::LuaTable table(state());
    table.setString("name", name);
    table.setString("sprite", sprite);
    table.setString("type", type);
    table.setNumber("x", x);
    table.setNumber("y", y);
    table.setNumber("angle", 0);
    table.setNumber("density", density);
    table.setNumber("friction", friction);
    table.setNumber("restitution", restitution);
    table.setNumber("mass", body->GetMass());
    table.setNumber("xVel", 0);
    table.setNumber("yVel", 0);
    table.setNumber("z_order", zOrder);
    world.setTable(name, &table);
    record->table = table;
    m_objectsByName[name] = record;
    return record;
}

void GameLua::createBox(String name, String sprite, float x, float y, float width, float height, float density,
                        float friction, float restitution, bool collides, bool bird, float zOrder)
{
    requirePositive(name, "width", width);
    requirePositive(name, "height", height);
    b2PolygonShape box;
    box.SetAsBox(width * 0.5f, height * 0.5f);
    box.m_radius = SKIN_RADIUS;
    RenderObjectData* record = createObject(name, sprite, x, y, density, friction, restitution, box, zOrder, "box");
    record->collides = collides;
    record->bird = bird;
    record->table.setNumber("width", width);
    record->table.setNumber("height", height);
}

void GameLua::createCircle(String name, String sprite, float x, float y, float radius, float density, float friction,
                           float restitution, bool bird, float zOrder)
{
    requirePositive(name, "radius", radius);
    b2CircleShape circle;
    circle.m_p.Set(0, 0);
    circle.m_radius = radius;
    RenderObjectData* record =
        createObject(name, sprite, x, y, density, friction, restitution, circle, zOrder, "circle");
    record->collides = true;
    record->bird = bird;
    record->rolling = true;
    record->rollingFactor = radius;
    record->immovableCheck = static_cast<int>(zOrder) == 999;
    record->table.setNumber("radius", radius);
    if (bird) {
        record->body->SetAngularDamping(2.0f);
        m_birds.add(record);
    }
}

void GameLua::createPolygon(String name, String sprite, float x, float y, float width, float height, float density,
                            float friction, float restitution, bool collides, bool bird, float zOrder)
{
    const int count = m_vertices.size();
    if (count < 3 || count > b2_maxPolygonVertices)
        throw lua::LuaException(Format("Object {0}: a polygon needs 3 to {1} vertices, not {2}", name,
                                       b2_maxPolygonVertices, count));
    // Twice the signed area: a polygon without area would fail the library's checks.
    float area = 0;
    for (int i = 0; i < count; ++i) {
        requireFinite(name, "vertex", m_vertices[i].x);
        requireFinite(name, "vertex", m_vertices[i].y);
        const b2Vec2& a = m_vertices[i];
        const b2Vec2& b = m_vertices[(i + 1) % count];
        area += a.x * b.y - a.y * b.x;
    }
    b2PolygonShape polygon;
    if (!(std::fabs(area) > 4 * b2_linearSlop * b2_linearSlop))
        throw lua::LuaException(Format("Object {0}: the polygon of {1} vertices has no area", name, count));
    polygon.Set(m_vertices.begin(), count);
    polygon.m_radius = SKIN_RADIUS;
    RenderObjectData* record =
        createObject(name, sprite, x, y, density, friction, restitution, polygon, zOrder, "polygon");
    record->collides = collides;
    record->bird = bird;
    record->table.setNumber("width", width);
    record->table.setNumber("height", height);
    if (!sprite.isEmpty() && !record->sprite)
        lang::log("Sprite not found: %s\n", sprite.c_str());
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
    RenderObjectData** found = m_objectsByName.find(name);
    if (!found) {
        removeJointsOf(name);
        return;
    }
    RenderObjectData* record = *found;
    if (record->bird)
        for (int i = m_birds.size() - 1; i >= 0; --i)
            if (m_birds[i]->name == name)
                m_birds.remove(i);
    m_world->DestroyBody(record->body);
    m_objectsByName.remove(name);
    delete record;
    removeJointsOf(name);
}

void GameLua::applyImpulse(String name, float ix, float iy, float px, float py)
{
    if (RenderObjectData* record = find(name, nullptr))
        record->body->ApplyLinearImpulse(b2Vec2(ix, iy), b2Vec2(px, py), true);
}

void GameLua::applyForce(String name, float fx, float fy, float px, float py)
{
    if (RenderObjectData* record = find(name, nullptr))
        record->body->ApplyForce(b2Vec2(fx, fy), b2Vec2(px, py), true);
}

void GameLua::setPosition(String name, float x, float y)
{
    RenderObjectData* record = find(name, "setPosition");
    if (!record)
        return;
    requireFinite(name, "x", x);
    requireFinite(name, "y", y);
    record->body->SetTransform(b2Vec2(x, y), record->body->GetAngle());
    record->table.setNumber("x", x);
    record->table.setNumber("y", y);
    for (PhysicsState& s : record->state)
        s.x = x, s.y = y;
    record->x = x;
    record->y = y;
}

void GameLua::setRotation(String name, float angle)
{
    RenderObjectData* record = find(name, "setRotation");
    if (!record)
        return;
    requireFinite(name, "angle", angle);
    angle = std::fmod(angle, TWO_PI);
    if (angle < 0)
        angle += TWO_PI;
    record->body->SetTransform(record->body->GetPosition(), angle);
    record->table.setNumber("angle", angle);
    for (PhysicsState& s : record->state)
        s.angle = angle;
    record->angle = angle;
}

void GameLua::setVelocity(String name, float vx, float vy)
{
    RenderObjectData* record = find(name, nullptr);
    if (record && record->body->GetType() != b2_staticBody)
        record->body->SetLinearVelocity(b2Vec2(vx, vy));
}

void GameLua::setAngularVelocity(String name, float w)
{
    RenderObjectData* record = find(name, nullptr);
    if (record && record->body->GetType() != b2_staticBody)
        record->body->SetAngularVelocity(w);
}

void GameLua::setSleeping(String name, bool sleeping)
{
    RenderObjectData* record = find(name, "setSleeping");
    if (!record)
        return;
    b2Body* body = record->body;
    if (sleeping) {
        // The library's SetAwake(false) clears the sleep time, velocities, force and torque.
        body->SetAwake(false);
    } else {
        body->SetAwake(true);
    }
}

void GameLua::setObjectParameter(String name, float parameter, float value)
{
    RenderObjectData* record = find(name, "setObjectParameter");
    if (!record)
        return;
    switch (static_cast<int>(parameter)) {
    case 1: record->draw = static_cast<int>(value) == 1; break;
    case 2: record->body->SetType(value != 0 ? b2_dynamicBody : b2_staticBody); break;
    default: break;
    }
}

void GameLua::setMaterial(String name, String material)
{
    RenderObjectData* record = find(name, "setMaterial");
    if (!record)
        return;
    if (material == "wood")
        record->material = MATERIAL_WOOD;
    else if (material == "rock")
        record->material = MATERIAL_ROCK;
    else if (material == "light")
        record->material = MATERIAL_LIGHT;
}

float GameLua::getAngle(String name)
{
    RenderObjectData* record = find(name, "getAngle");
    return record ? record->angle : 0.0f;
}

int GameLua::getWorldPoint(lua_State* lua)
{
    String name = state()->getString(1);
    const float lx = state()->getNumber(2);
    const float ly = state()->getNumber(3);
    float x = lx, y = ly;
    if (RenderObjectData* record = find(name, "getWorldPoint")) {
        const b2Transform& t = record->body->GetTransform();
        x = t.p.x + t.q.c * lx - t.q.s * ly;
        y = t.p.y + t.q.s * lx + t.q.c * ly;
    }
    lua_pushnumber(lua, x);
    lua_pushnumber(lua, y);
    return 2;
}

void GameLua::setPhysicsSimulationScale(float scale)
{
    m_simulationScale = scale;
}

void GameLua::setPhysicsEnabled(bool on)
{
    m_physicsEnabled = on;
}

bool GameLua::isPhysicsEnabled()
{
    return m_physicsEnabled;
}

void GameLua::setMaxTranslation(float distance)
{
    b2SetMaxTranslation(distance);
}

void GameLua::setLevelLimits(float left, float, float right, float)
{
    m_levelLeft = static_cast<int32_t>(left);
    m_levelRight = static_cast<int32_t>(right);
}

void GameLua::setEditing(bool on)
{
    m_editing = on;
}

// --- the simulation ----------------------------------------------------------

float GameLua::interpolateAngle(float older, float newer, float alpha)
{
    const float PI = 3.14159265f;
    if (std::fabs(newer - older) >= PI)
        older += older < newer ? TWO_PI : -TWO_PI;
    return (1 - alpha) * older + alpha * newer;
}

void GameLua::stepPhysics(float dt)
{
    // Single-precision arithmetic throughout: the step count of a frame depends on it.
    m_accumulator += dt;
    while (m_accumulator >= STEP) {
        m_world->Step(STEP, 10, 10);
        if (m_stepFailure) {
            std::exception_ptr failure = m_stepFailure;
            m_stepFailure = nullptr;
            std::rethrow_exception(failure);
        }
        m_accumulator -= STEP;
        callScript("removeBlocks");
        for (RenderObjectData* bird : m_birds) {
            if (!bird->hasPendingVelocity)
                continue;
            lang::log("Bird %s new velocity is x: %f, y: %f", bird->name.c_str(),
                      static_cast<double>(bird->pendingVelocityX), static_cast<double>(bird->pendingVelocityY));
            if (bird->body->GetType() != b2_staticBody)
                bird->body->SetLinearVelocity(b2Vec2(bird->pendingVelocityX, bird->pendingVelocityY));
            bird->hasPendingVelocity = false;
        }
        if (m_accumulator > 2 * STEP)
            continue; // more steps are due at once: no snapshot in between
        m_slot ^= 1;
        for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it) {
            RenderObjectData* record = it.value();
            b2Body* body = record->body;
            if (!body->IsAwake())
                continue;
            record->state[m_slot] = PhysicsState{body->GetPosition().x, body->GetPosition().y, bodyAngle(body)};
            if (record->bird && body->GetMass() != 0)
                body->SetBullet(true);
        }
    }
    m_world->ClearForces();

    const float alpha = m_accumulator / STEP;
    for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it) {
        RenderObjectData* record = it.value();
        if (record->body->IsAwake()) {
            const PhysicsState& older = record->state[m_slot ^ 1];
            const PhysicsState& newer = record->state[m_slot];
            record->x = (1 - alpha) * older.x + alpha * newer.x;
            record->y = (1 - alpha) * older.y + alpha * newer.y;
            record->angle = interpolateAngle(older.angle, newer.angle, alpha);
        }
        if (record->destroyTimerRunning) {
            record->destroyTimer -= dt;
            if (record->destroyTimer <= 0) {
                record->table.setNumber("strength", 0);
                deadBlocks().setTable(record->name, &record->table);
                record->destroyTimerRunning = false;
            }
        }
    }
}

void GameLua::publishObjects()
{
    bool moving = false, awake = false, movingAboveTolerance = false;
    for (float& volume : m_rollingVolume)
        volume = 0;
    for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it) {
        RenderObjectData* record = it.value();
        b2Body* body = record->body;
        const bool awakeNow = body->IsAwake();
        if (!awakeNow && !record->wasAwake)
            continue;
        awake = true;
        lua::LuaTable& table = record->table;
        table.setNumber("x", record->x);
        table.setNumber("y", record->y);
        if (body->GetMass() > 0 && (record->y > 20 || record->x < m_levelLeft || record->x > m_levelRight))
            table.setBoolean("frozen", true);
        const b2Vec2 v = body->GetLinearVelocity();
        const float w = body->GetAngularVelocity();
        const bool jointed = body->GetJointList() != nullptr;
        if (v.LengthSquared() > 0.0005f && !record->bird && !jointed)
            movingAboveTolerance = true;
        if (v.LengthSquared() > 9 || (std::fabs(w) > 0.1f && !jointed))
            moving = true;
        if (record->bird) {
            table.setNumber("xVel", v.x);
            table.setNumber("yVel", v.y);
        } else if (record->rolling) {
            float volume = body->GetMass() * (record->rollingFactor * std::fabs(w) / 400);
            volume = volume > 1 ? 1 : volume;
            if (volume > m_rollingVolume[record->material])
                m_rollingVolume[record->material] = volume;
        }
        record->wasAwake = awakeNow;
        table.setNumber("angle", bodyAngle(body));
        table.setBoolean("sleeping", !awakeNow);
    }
    setBoolean("hasMovingObjects", moving);
    setBoolean("hasAwakeObjects", awake);
    setBoolean("hasMovingObjectsAboveTolerance", movingAboveTolerance);
    publishJointAnchors();
    playRollingSounds();
}

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
        const float volume = m_rollingVolume[material];
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
