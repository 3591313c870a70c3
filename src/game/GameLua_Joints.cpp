// Joints between named objects: springs, welds, hinges, sliders and destroy links.

#include "game/GameLua.h"

#include "lua/LuaException.h"
#include "lua/LuaState.h"

#include <lua.h>

#include <cmath>

using lang::Format;
using lang::String;

namespace game {

namespace {

enum JointType { DISTANCE = 1, WELD = 2, REVOLUTE = 3, PRISMATIC = 4, DESTROY_LINK = 5 };

const float PI = 3.1415927f;

float numberOr(const lua::LuaTable& table, const char* key, float fallback)
{
    return table.isNumber(key) ? table.getNumber(key) : fallback;
}

bool booleanOr(const lua::LuaTable& table, const char* key, bool fallback)
{
    return table.isBoolean(key) ? table.getBoolean(key) : fallback;
}

/// The number at a stack position of the raw call, 0 when absent.
float argumentOr0(lua_State* lua, int position)
{
    return lua_gettop(lua) >= position && lua_type(lua, position) == LUA_TNUMBER ? lua_tonumber(lua, position) : 0;
}

} // namespace

int GameLua::createJoint(lua_State* lua)
{
    const int last = lua_gettop(lua);
    lua::LuaTable def = state()->getTable(last);
    const int type = static_cast<int>(def.getNumber("type"));
    const String name = def.getString("name");
    const String end1 = def.getString("end1");
    const String end2 = def.getString("end2");
    const int coordType = def.isNumber("coordType") ? static_cast<int>(std::floor(def.getNumber("coordType") + 0.5f)) : 0;
    const float x1 = def.getNumber("x1"), y1 = def.getNumber("y1"), x2 = def.getNumber("x2"), y2 = def.getNumber("y2");

    RenderObjectData* a = nullptr;
    RenderObjectData* b = nullptr;
    if (type >= DISTANCE && type <= DESTROY_LINK) {
        // A joint to nothing would touch a body that does not exist.
        for (const String& end : {end1, end2})
            if (!find(end, nullptr))
                throw lua::LuaException(Format("Joint {0}: no object named \"{1}\"", name, end));
        a = find(end1, nullptr);
        b = find(end2, nullptr);
    }
    lua::LuaTable joints = m_objects.getTable("joints");

    lua::LuaTable table(state());
    table.setString("name", name);
    table.setString("end1", end1);
    table.setString("end2", end2);
    table.setNumber("type", static_cast<float>(type));
    table.setNumber("coordType", static_cast<float>(coordType));

    JointRecord record;
    record.name = name;
    record.end1 = end1;
    record.end2 = end2;
    record.coordType = coordType;
    const bool collide = booleanOr(def, "collideConnected", false);

    switch (type) {
    case DISTANCE: {
        b2Body* A = a->body;
        b2Body* B = b->body;
        b2Vec2 localA(0, 0), localB(0, 0), p1, p2;
        if (coordType == 1) {
            p1.Set(argumentOr0(lua, 6), argumentOr0(lua, 7));
            p2.Set(argumentOr0(lua, 8), argumentOr0(lua, 9));
            localA = p1 - A->GetPosition();
            localB = p2 - B->GetPosition();
        } else if (coordType == 2) {
            localA.Set(x1, y1);
            localB.Set(x2, y2);
            p1 = A->GetWorldPoint(localA);
            p2 = B->GetWorldPoint(localB);
        } else {
            p1 = A->GetPosition();
            p2 = B->GetPosition();
        }
        const float frequency = numberOr(def, "frequency", 4);
        const float dampingRatio = numberOr(def, "dampingRatio", 0.5f);
        b2DistanceJointDef jd;
        jd.bodyA = A;
        jd.bodyB = B;
        jd.localAnchorA = localA;
        jd.localAnchorB = localB;
        jd.length = (p2 - p1).Length();
        jd.collideConnected = collide;
        // The spring is given by frequency and damping ratio; this library takes stiffness.
        b2LinearStiffness(jd.stiffness, jd.damping, frequency, dampingRatio, A, B);
        record.joint = m_world->CreateJoint(&jd);
        const bool given = coordType == 2;
        table.setNumber("x1", given ? x1 : p1.x);
        table.setNumber("y1", given ? y1 : p1.y);
        table.setNumber("x2", given ? x2 : p2.x);
        table.setNumber("y2", given ? y2 : p2.y);
        table.setNumber("frequency", frequency);
        table.setNumber("dampingRatio", dampingRatio);
        table.setNumber("collideConnected", collide ? 1.0f : 0.0f);
        break;
    }
    case WELD: {
        const b2Vec2 w1 = a->body->GetWorldPoint(b2Vec2(x1, y1)), w2 = b->body->GetWorldPoint(b2Vec2(x2, y2));
        b2WeldJointDef jd;
        jd.Initialize(a->body, b->body, 0.5f * (w1 + w2));
        jd.collideConnected = collide;
        record.joint = m_world->CreateJoint(&jd);
        table.setBoolean("collideConnected", collide);
        break;
    }
    case REVOLUTE: {
        b2RevoluteJointDef jd;
        jd.Initialize(a->body, b->body, a->body->GetWorldPoint(b2Vec2(x1, y1)));
        jd.enableMotor = booleanOr(def, "motor", false);
        jd.motorSpeed = numberOr(def, "motorSpeed", 0);
        jd.maxMotorTorque = numberOr(def, "maxTorque", 10000);
        jd.enableLimit = booleanOr(def, "limit", false);
        jd.lowerAngle = numberOr(def, "lowerLimit", 0);
        jd.upperAngle = numberOr(def, "upperLimit", PI);
        jd.collideConnected = collide;
        record.joint = m_world->CreateJoint(&jd);
        table.setBoolean("motor", jd.enableMotor);
        table.setNumber("motorSpeed", jd.motorSpeed);
        table.setNumber("maxTorque", jd.maxMotorTorque);
        table.setBoolean("limit", jd.enableLimit);
        table.setNumber("lowerLimit", jd.lowerAngle);
        table.setNumber("upperLimit", jd.upperAngle);
        table.setBoolean("backAndForth", booleanOr(def, "backAndForth", false));
        table.setBoolean("collideConnected", collide);
        break;
    }
    case PRISMATIC: {
        b2PrismaticJointDef jd;
        const b2Vec2 axis(numberOr(def, "worldAxisX", 0), numberOr(def, "worldAxisY", 0));
        jd.Initialize(a->body, b->body, a->body->GetWorldPoint(b2Vec2(x1, y1)), axis);
        jd.enableLimit = booleanOr(def, "limit", true);
        jd.lowerTranslation = numberOr(def, "lowerLimit", 0);
        jd.upperTranslation = numberOr(def, "upperLimit", 5);
        jd.enableMotor = booleanOr(def, "motor", true);
        jd.motorSpeed = numberOr(def, "motorSpeed", 0);
        jd.maxMotorForce = numberOr(def, "maxTorque", 10000);
        jd.collideConnected = collide;
        record.joint = m_world->CreateJoint(&jd);
        table.setBoolean("limit", jd.enableLimit);
        table.setNumber("lowerLimit", jd.lowerTranslation);
        table.setNumber("upperLimit", jd.upperTranslation);
        table.setBoolean("motor", jd.enableMotor);
        table.setNumber("motorSpeed", jd.motorSpeed);
        table.setNumber("maxTorque", jd.maxMotorForce);
        table.setBoolean("backAndForth", booleanOr(def, "backAndForth", true));
        table.setNumber("worldAxisX", axis.x);
        table.setNumber("worldAxisY", axis.y);
        table.setBoolean("collideConnected", collide);
        break;
    }
    case DESTROY_LINK:
        table.setNumber("destroyTimer", numberOr(def, "destroyTimer", 1));
        break;
    default:
        break;
    }
    if (type >= WELD) {
        table.setNumber("x1", x1);
        table.setNumber("y1", y1);
        table.setNumber("x2", x2);
        table.setNumber("y2", y2);
    }
    (type == DESTROY_LINK ? m_links : m_joints).add(record);
    joints.setTable(name, &table);
    return 0;
}

int GameLua::setJointParameters(lua_State* lua)
{
    lua::LuaTable parameters = state()->getTable(lua_gettop(lua));
    const String name = parameters.getString("name");
    JointRecord* record = nullptr;
    for (JointRecord& r : m_joints)
        if (r.name == name) {
            record = &r;
            break;
        }
    if (!record || !record->joint)
        return 0;
    lua::LuaTable joints = m_objects.getTable("joints");
    lua::LuaTable table = joints.isTable(name.c_str()) ? joints.getTable(name) : lua::LuaTable();
    auto number = [&](const char* key, auto apply) {
        if (parameters.isNumber(key)) {
            const float value = parameters.getNumber(key);
            apply(value);
            table.setNumber(key, value);
        }
    };
    auto boolean = [&](const char* key, auto apply) {
        if (parameters.isBoolean(key)) {
            const bool value = parameters.getBoolean(key);
            apply(value);
            table.setBoolean(key, value);
        }
    };
    switch (record->joint->GetType()) {
    case e_revoluteJoint: {
        auto* j = static_cast<b2RevoluteJoint*>(record->joint);
        boolean("motor", [j](bool v) { j->EnableMotor(v); });
        number("motorSpeed", [j](float v) { j->SetMotorSpeed(v); });
        number("maxTorque", [j](float v) { j->SetMaxMotorTorque(v); });
        boolean("limit", [j](bool v) { j->EnableLimit(v); });
        number("lowerLimit", [j](float v) { j->SetLimits(v, j->GetUpperLimit()); });
        number("upperLimit", [j](float v) { j->SetLimits(j->GetLowerLimit(), v); });
        break;
    }
    case e_prismaticJoint: {
        auto* j = static_cast<b2PrismaticJoint*>(record->joint);
        boolean("motor", [j](bool v) { j->EnableMotor(v); });
        number("motorSpeed", [j](float v) { j->SetMotorSpeed(v); });
        number("maxTorque", [j](float v) { j->SetMaxMotorForce(v); });
        boolean("limit", [j](bool v) { j->EnableLimit(v); });
        number("lowerLimit", [j](float v) { j->SetLimits(v, j->GetUpperLimit()); });
        number("upperLimit", [j](float v) { j->SetLimits(j->GetLowerLimit(), v); });
        break;
    }
    case e_distanceJoint: {
        auto* j = static_cast<b2DistanceJoint*>(record->joint);
        const float frequency = numberOr(table, "frequency", 4), ratio = numberOr(table, "dampingRatio", 0.5f);
        auto respring = [j](float f, float r) {
            float stiffness, damping;
            b2LinearStiffness(stiffness, damping, f, r, j->GetBodyA(), j->GetBodyB());
            j->SetStiffness(stiffness);
            j->SetDamping(damping);
        };
        number("frequency", [&](float v) { respring(v, ratio); });
        number("dampingRatio", [&](float v) { respring(numberOr(table, "frequency", frequency), v); });
        break;
    }
    default:
        break;
    }
    return 0;
}

void GameLua::checkJointLimits(String name)
{
    for (JointRecord& record : m_joints) {
        if (record.name != name || !record.joint)
            continue;
        if (record.joint->GetType() == e_revoluteJoint) {
            auto* j = static_cast<b2RevoluteJoint*>(record.joint);
            const float s = j->GetMotorSpeed(), angle = j->GetJointAngle();
            if (j->IsLimitEnabled() && j->IsMotorEnabled() &&
                ((s > 0 && angle >= j->GetUpperLimit()) || (s < 0 && angle <= j->GetLowerLimit())))
                j->SetMotorSpeed(-s);
        } else if (record.joint->GetType() == e_prismaticJoint) {
            auto* j = static_cast<b2PrismaticJoint*>(record.joint);
            const float s = j->GetMotorSpeed(), t = j->GetJointTranslation();
            if (j->IsLimitEnabled() && j->IsMotorEnabled() &&
                ((s > 0 && t >= j->GetUpperLimit()) || (s < 0 && t <= j->GetLowerLimit())))
                j->SetMotorSpeed(-s);
        }
    }
}

void GameLua::removeJointTable(const String& name)
{
    if (m_objects.isTable("joints"))
        m_objects.getTable("joints").remove(name);
}

void GameLua::destroyJoint(String name)
{
    for (int i = 0; i < m_joints.size(); ++i) {
        if (m_joints[i].name == name) {
            removeJointTable(name);
            if (m_joints[i].joint)
                m_world->DestroyJoint(m_joints[i].joint);
            m_joints.remove(i);
            return;
        }
    }
    for (int i = 0; i < m_links.size(); ++i) {
        if (m_links[i].name == name) {
            removeJointTable(name);
            m_links.remove(i);
            return;
        }
    }
}

void GameLua::removeJointsOf(const String& object)
{
    lua::LuaTable joints = m_objects.isTable("joints") ? m_objects.getTable("joints") : lua::LuaTable();
    for (int i = m_links.size() - 1; i >= 0; --i) {
        const JointRecord& link = m_links[i];
        if (link.end1 == object) {
            if (RenderObjectData* second = find(link.end2, nullptr)) {
                const float timer = joints.isTable(link.name.c_str())
                                        ? numberOr(joints.getTable(link.name), "destroyTimer", 1)
                                        : 1.0f;
                second->destroyTimerRunning = true;
                second->destroyTimer = timer;
            }
            removeJointTable(link.name);
            m_links.remove(i);
        } else if (link.end2 == object) {
            removeJointTable(link.name);
            m_links.remove(i);
        }
    }
    // The physics joints went with the body.
    for (int i = m_joints.size() - 1; i >= 0; --i) {
        if (m_joints[i].end1 == object || m_joints[i].end2 == object) {
            removeJointTable(m_joints[i].name);
            m_joints.remove(i);
        }
    }
}

void GameLua::publishJointAnchors()
{
    if (!m_objects.isTable("joints"))
        return;
    lua::LuaTable joints = m_objects.getTable("joints");
    for (const JointRecord& record : m_joints) {
        if (record.coordType == 2 || !record.joint || !joints.isTable(record.name.c_str()))
            continue;
        lua::LuaTable table = joints.getTable(record.name);
        const b2Vec2 a = record.joint->GetAnchorA(), b = record.joint->GetAnchorB();
        table.setNumber("x1", a.x);
        table.setNumber("y1", a.y);
        table.setNumber("x2", b.x);
        table.setNumber("y2", b.y);
    }
}

} // namespace game
