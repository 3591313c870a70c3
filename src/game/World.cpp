// The world's objects: making, replacing, removing and moving them, and the changes that
// wait for the end of a physics step.

#include "game/World.h"

#include "lang/Debug.h"
#include "lua/LuaException.h"

#include <cmath>

using lang::Format;
using lang::String;

namespace game {

namespace {

const float TWO_PI = 6.28318530718f;
const float SKIN_RADIUS = 0.1f;

bool notFinite(const String& name, const char* what, float value, Format* why)
{
    if (std::isfinite(value))
        return false;
    *why = Format("Object {0}: {1} must be a finite number, not {2}", name, what, value);
    return true;
}

bool notPositive(const String& name, const char* what, float value, Format* why)
{
    if (notFinite(name, what, value, why))
        return true;
    if (value > 0)
        return false;
    *why = Format("Object {0}: {1} must be greater than 0, not {2}", name, what, value);
    return true;
}

/// Whether the physics library would weld the outline to fewer than three points or fold
/// it flat; it then makes a 2 x 2 box in its place without a word.
bool collapses(const lang::Array<b2Vec2>& vertices)
{
    const float weld = (0.5f * b2_linearSlop) * (0.5f * b2_linearSlop);
    b2Vec2 unique[b2_maxPolygonVertices];
    int count = 0;
    for (const b2Vec2& v : vertices) {
        bool fresh = true;
        for (int j = 0; j < count && fresh; ++j)
            fresh = b2DistanceSquared(v, unique[j]) >= weld;
        if (fresh)
            unique[count++] = v;
    }
    if (count < 3)
        return true;
    // Twice the signed area of what is left.
    float area = 0;
    for (int i = 0; i < count; ++i)
        area += b2Cross(unique[i], unique[(i + 1) % count]);
    if (!(std::fabs(area) > 4 * b2_linearSlop * b2_linearSlop))
        return true;
    b2PolygonShape hull;
    hull.Set(unique, count);
    b2PolygonShape fallback;
    fallback.SetAsBox(1, 1);
    bool isFallback = hull.m_count == fallback.m_count;
    for (int i = 0; isFallback && i < hull.m_count; ++i)
        isFallback = hull.m_vertices[i] == fallback.m_vertices[i];
    if (!isFallback)
        return false;
    // Only an outline that is that very box may come out as it.
    for (int i = 0; i < count; ++i)
        if (std::fabs(unique[i].x) != 1 || std::fabs(unique[i].y) != 1)
            return true;
    return false;
}

} // namespace

bool ObjectDef::invalid(Format* why) const
{
    switch (shape) {
    case BOX:
        if (notPositive(name, "width", width, why) || notPositive(name, "height", height, why))
            return true;
        break;
    case CIRCLE:
        if (notPositive(name, "radius", radius, why))
            return true;
        break;
    case POLYGON:
        if (vertices.size() < 3 || vertices.size() > b2_maxPolygonVertices) {
            *why = Format("Object {0}: a polygon needs 3 to {1} vertices, not {2}", name, b2_maxPolygonVertices,
                          vertices.size());
            return true;
        }
        for (const b2Vec2& v : vertices)
            if (notFinite(name, "vertex", v.x, why) || notFinite(name, "vertex", v.y, why))
                return true;
        if (collapses(vertices)) {
            *why = Format("Object {0}: the polygon of {1} vertices has no area", name, vertices.size());
            return true;
        }
        break;
    }
    return notFinite(name, "x", x, why) || notFinite(name, "y", y, why) || notFinite(name, "density", density, why) ||
           notFinite(name, "friction", friction, why) || notFinite(name, "restitution", restitution, why) ||
           notFinite(name, "z_order", zOrder, why);
}

World::World(WorldListener* listener)
    : m_listener(listener), m_world(new b2World(b2Vec2(0, 20))), m_objectsByName(String(), nullptr)
{
    m_world->SetAllowSleeping(true);
    m_world->SetContactListener(this);
    m_world->SetContactFilter(this);
}

World::~World()
{
    for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it)
        delete it.value();
    delete m_world; // and every body and joint with it
}

bool World::deferred(std::function<void()> change)
{
    if (!m_world->IsLocked())
        return false;
    m_deferred.push_back(std::move(change));
    return true;
}

void World::applyDeferred()
{
    // Every change is made even when one fails: none is dropped unseen, and the first
    // failure is reported once all are done.
    std::vector<std::function<void()>> changes;
    changes.swap(m_deferred);
    std::exception_ptr failure;
    for (std::function<void()>& change : changes) {
        try {
            change();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

RenderObjectData* World::lookup(std::string_view name) const
{
    RenderObjectData* const* found = m_objectsByName.findAs(name);
    return found ? *found : nullptr;
}

RenderObjectData* World::find(std::string_view name, const char* caller) const
{
    RenderObjectData* record = lookup(name);
    if (record && !record->removed)
        return record;
    if (caller)
        lang::log("%s: no object named %.*s\n", caller, static_cast<int>(name.size()), name.data());
    return nullptr;
}

void World::retire(RenderObjectData* record)
{
    record->removed = true;
    for (b2ContactEdge* edge = record->body->GetContactList(); edge; edge = edge->next)
        edge->contact->SetEnabled(false);
}

// --- making and removing ------------------------------------------------------------

RenderObjectData* World::createObject(const ObjectDef& def)
{
    Format why;
    if (def.invalid(&why))
        throw lua::LuaException(why);
    if (deferred([this, def] { createObject(def); }))
        return nullptr;

    // A name made again replaces the object whole. Its joints are made again on the new
    // body; its links and joint tables name it and so stay as they are.
    RenderObjectData* old = lookup(def.name.view());
    std::vector<KeptJoint> kept;
    if (old) {
        kept = keepJoints(old);
        destroyRecord(old); // the library destroys the joints with the body
    }
    RenderObjectData* record = makeObject(def);
    remakeJoints(kept, record);
    m_listener->objectCreated(*record, def);
    return record;
}

RenderObjectData* World::makeObject(const ObjectDef& def)
{
    b2BodyDef bodyDef;
    bodyDef.type = def.density != 0 ? b2_dynamicBody : b2_staticBody;
    bodyDef.position.Set(def.x, def.y);
    bodyDef.angularDamping = 1.0f;
    bodyDef.allowSleep = true;
    bodyDef.awake = true;
    b2Body* body = m_world->CreateBody(&bodyDef);

    b2PolygonShape polygon;
    b2CircleShape circle;
    const b2Shape* shape = &polygon;
    switch (def.shape) {
    case ObjectDef::BOX:
        polygon.SetAsBox(def.width * 0.5f, def.height * 0.5f);
        polygon.m_radius = SKIN_RADIUS;
        break;
    case ObjectDef::POLYGON:
        polygon.Set(def.vertices.begin(), def.vertices.size());
        polygon.m_radius = SKIN_RADIUS;
        break;
    case ObjectDef::CIRCLE:
        circle.m_p.Set(0, 0);
        circle.m_radius = def.radius;
        shape = &circle;
        break;
    }

    auto* record = new RenderObjectData;
    b2FixtureDef fixture;
    fixture.shape = shape;
    fixture.density = def.density;
    fixture.friction = def.friction;
    fixture.restitution = def.restitution;
    fixture.filter.categoryBits = 0x0001;
    fixture.filter.maskBits = 0xFFFF;
    fixture.filter.groupIndex = 0;
    fixture.userData.pointer = reinterpret_cast<uintptr_t>(record);
    body->CreateFixture(&fixture);
    body->GetUserData().pointer = reinterpret_cast<uintptr_t>(record);

    record->name = def.name;
    record->spriteName = def.sprite;
    record->body = body;
    record->state[0] = record->state[1] = PhysicsState{def.x, def.y, 0};
    record->x = def.x;
    record->y = def.y;
    record->zOrder = def.zOrder;
    record->bird = def.bird;
    if (def.shape == ObjectDef::CIRCLE) {
        record->collides = true;
        record->rolling = true;
        record->rollingFactor = def.radius;
        record->immovableCheck = static_cast<int>(def.zOrder) == 999;
        if (def.bird) {
            body->SetAngularDamping(2.0f);
            m_birds.add(record);
        }
    } else {
        record->collides = def.collides;
    }
    m_objectsByName[def.name] = record;
    noteAwake(record);
    return record;
}

void World::noteAwake(RenderObjectData* record)
{
    if (record->awakeIndex >= 0 || !record->body->IsAwake())
        return;
    record->awakeIndex = static_cast<int>(m_awakeRecords.size());
    m_awakeRecords.push_back(record);
}

void World::noteAwake(b2Body* body)
{
    if (auto* record = reinterpret_cast<RenderObjectData*>(body->GetUserData().pointer))
        noteAwake(record);
}

void World::noteAwake(b2Joint* joint)
{
    if (!joint)
        return;
    noteAwake(joint->GetBodyA());
    noteAwake(joint->GetBodyB());
}

void World::destroyRecord(RenderObjectData* record)
{
    if (record->bird)
        for (int i = m_birds.size() - 1; i >= 0; --i)
            if (m_birds[i] == record)
                m_birds.remove(i);
    if (record->awakeIndex >= 0) {
        RenderObjectData* last = m_awakeRecords.back();
        m_awakeRecords[static_cast<size_t>(record->awakeIndex)] = last;
        last->awakeIndex = record->awakeIndex;
        m_awakeRecords.pop_back();
    }
    m_world->DestroyBody(record->body);
    m_objectsByName.remove(record->name);
    delete record;
}

void World::removeObject(const String& name)
{
    if (m_world->IsLocked()) {
        if (RenderObjectData* record = find(name))
            retire(record);
        m_deferred.push_back([this, name] { removeObject(name); });
        return;
    }
    if (RenderObjectData* record = lookup(name.view()))
        destroyRecord(record);
    removeJointsOf(name);
}

void World::clear()
{
    if (m_world->IsLocked()) {
        for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it)
            retire(it.value());
        m_deferred.push_back([this] { clear(); });
        return;
    }
    for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it) {
        m_world->DestroyBody(it.value()->body);
        delete it.value();
    }
    m_awakeRecords.clear();
    m_objectsByName.clear();
    m_birds.clear();
    // The physics joints went with their bodies.
    m_joints.clear();
    m_links.clear();
}

void World::beginLevel()
{
    if (deferred([this] { beginLevel(); }))
        return;
    m_birds.clear();
    m_accumulator = 0;
}

// --- moving ------------------------------------------------------------------------

void World::setPosition(const String& name, float x, float y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        throw lua::LuaException(Format("Object {0}: {1} must be a finite number, not {2}", name,
                                       std::isfinite(x) ? "y" : "x", std::isfinite(x) ? y : x));
    if (deferred([this, name, x, y] { setPosition(name, x, y); }))
        return;
    RenderObjectData* record = find(name, "setPosition");
    if (!record)
        return;
    record->body->SetTransform(b2Vec2(x, y), record->body->GetAngle());
    noteAwake(record);
    for (PhysicsState& s : record->state)
        s.x = x, s.y = y;
    record->x = x;
    record->y = y;
    m_listener->objectMoved(*record);
}

void World::setRotation(const String& name, float angle)
{
    if (!std::isfinite(angle))
        throw lua::LuaException(Format("Object {0}: {1} must be a finite number, not {2}", name, "angle", angle));
    if (deferred([this, name, angle] { setRotation(name, angle); }))
        return;
    RenderObjectData* record = find(name, "setRotation");
    if (!record)
        return;
    angle = std::fmod(angle, TWO_PI);
    if (angle < 0)
        angle += TWO_PI;
    record->body->SetTransform(record->body->GetPosition(), angle);
    noteAwake(record);
    for (PhysicsState& s : record->state)
        s.angle = angle;
    record->angle = angle;
    m_listener->objectTurned(*record);
}

void World::setDynamic(const String& name, bool dynamic)
{
    if (deferred([this, name, dynamic] { setDynamic(name, dynamic); }))
        return;
    RenderObjectData* record = find(name, "setObjectParameter");
    if (!record)
        return;
    b2Body* body = record->body;
    body->SetType(dynamic ? b2_dynamicBody : b2_staticBody);
    // Shapes of density 0 give no mass; a dynamic body without mass has no inverse mass
    // either, and a joint on it divides by zero. Mass 1 without turning is what the scripts
    // were written against.
    if (dynamic && body->GetMass() == 0) {
        b2MassData mass;
        mass.mass = 1;
        mass.center.SetZero();
        mass.I = 0;
        body->SetMassData(&mass);
    }
    respring(body);
    noteAwake(record);
}

void World::setVelocity(const String& name, float vx, float vy)
{
    RenderObjectData* record = find(name);
    if (record && record->body->GetType() != b2_staticBody) {
        record->body->SetLinearVelocity(b2Vec2(vx, vy));
        noteAwake(record);
    }
}

void World::setAngularVelocity(const String& name, float w)
{
    RenderObjectData* record = find(name);
    if (record && record->body->GetType() != b2_staticBody) {
        record->body->SetAngularVelocity(w);
        noteAwake(record);
    }
}

void World::applyImpulse(const String& name, b2Vec2 impulse, b2Vec2 point)
{
    if (RenderObjectData* record = find(name)) {
        record->body->ApplyLinearImpulse(impulse, point, true);
        noteAwake(record);
    }
}

void World::applyForce(const String& name, b2Vec2 force, b2Vec2 point)
{
    if (RenderObjectData* record = find(name)) {
        record->body->ApplyForce(force, point, true);
        noteAwake(record);
    }
}

void World::setSleeping(const String& name, bool sleeping)
{
    // The library's SetAwake(false) also clears the sleep time, velocities, force and torque.
    if (RenderObjectData* record = find(name, "setSleeping")) {
        record->body->SetAwake(!sleeping);
        noteAwake(record);
    }
}

void World::setMaterial(const String& name, const String& material)
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

void World::setLevelLimits(int left, int right)
{
    m_levelLeft = left;
    m_levelRight = right;
}

void World::setMaxTranslation(float distance)
{
    if (!std::isfinite(distance) || !(distance > 0))
        throw lua::LuaException(
            Format("setMaxTranslation: the distance must be a finite number greater than 0, not {0}", distance));
    b2SetMaxTranslation(distance);
}

} // namespace game
