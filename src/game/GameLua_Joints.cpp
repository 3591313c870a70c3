// The joint natives, and the joint tables in objects.joints that follow the world's joints.

#include "game/GameLua.h"

#include "lua/NativeCall.h"

#include <cmath>

using lang::String;

namespace game {

namespace {

float numberOr(const lua::LuaTable& table, const char* key, float fallback)
{
    return table.isNumber(key) ? table.getNumber(key) : fallback;
}

/// A flag as the scripts write it, and as saved levels bring it back: a boolean, or the
/// numbers 0 and 1 the engine itself writes for distance joints.
bool flagOr(const lua::LuaTable& table, const char* key, bool fallback)
{
    if (table.isBoolean(key))
        return table.getBoolean(key);
    if (table.isNumber(key))
        return table.getNumber(key) != 0;
    return fallback;
}

bool booleanOr(const lua::LuaTable& table, const char* key, bool fallback)
{
    return table.isBoolean(key) ? table.getBoolean(key) : fallback;
}

} // namespace

int GameLua::createJoint(lua::NativeCall& call)
{
    const lua::LuaTable definition = call.getTable(call.count());
    JointDef def = JointDef::ofType(static_cast<int>(definition.getNumber("type")));
    def.name = definition.getString("name");
    def.end1 = definition.getString("end1");
    def.end2 = definition.getString("end2");
    if (definition.isNumber("coordType"))
        def.coordType = static_cast<int>(std::floor(definition.getNumber("coordType") + 0.5f));
    def.x1 = definition.getNumber("x1");
    def.y1 = definition.getNumber("y1");
    def.x2 = definition.getNumber("x2");
    def.y2 = definition.getNumber("y2");
    // World anchors of a distance joint of coordType 1 come as arguments 6 to 9.
    def.worldAnchorA.Set(call.numberOr(6, 0), call.numberOr(7, 0));
    def.worldAnchorB.Set(call.numberOr(8, 0), call.numberOr(9, 0));
    def.frequency = numberOr(definition, "frequency", def.frequency);
    def.dampingRatio = numberOr(definition, "dampingRatio", def.dampingRatio);
    def.collideConnected = flagOr(definition, "collideConnected", false);
    def.motor = booleanOr(definition, "motor", def.motor);
    def.motorSpeed = numberOr(definition, "motorSpeed", def.motorSpeed);
    def.maxTorque = numberOr(definition, "maxTorque", def.maxTorque);
    def.limit = booleanOr(definition, "limit", def.limit);
    def.lowerLimit = numberOr(definition, "lowerLimit", def.lowerLimit);
    def.upperLimit = numberOr(definition, "upperLimit", def.upperLimit);
    def.backAndForth = booleanOr(definition, "backAndForth", def.backAndForth);
    def.axis.Set(numberOr(definition, "worldAxisX", 0), numberOr(definition, "worldAxisY", 0));
    def.destroyTimer = numberOr(definition, "destroyTimer", def.destroyTimer);
    m_objects.getTable("joints"); // the scripts make objects.joints; without it, nothing is made
    m_physics->createJoint(def);
    return 0;
}

void GameLua::jointCreated(const JointRecord& record, const JointDef& used)
{
    lua::LuaTable table(state());
    table.setString("name", used.name);
    table.setString("end1", used.end1);
    table.setString("end2", used.end2);
    table.setNumber("type", static_cast<float>(used.type));
    table.setNumber("coordType", static_cast<float>(used.coordType));
    switch (used.type) {
    case JOINT_DISTANCE:
        table.setNumber("frequency", used.frequency);
        table.setNumber("dampingRatio", used.dampingRatio);
        table.setNumber("collideConnected", used.collideConnected ? 1.0f : 0.0f);
        break;
    case JOINT_WELD:
        table.setBoolean("collideConnected", used.collideConnected);
        break;
    case JOINT_REVOLUTE:
    case JOINT_PRISMATIC:
        table.setBoolean("motor", used.motor);
        table.setNumber("motorSpeed", used.motorSpeed);
        table.setNumber("maxTorque", used.maxTorque);
        table.setBoolean("limit", used.limit);
        table.setNumber("lowerLimit", used.lowerLimit);
        table.setNumber("upperLimit", used.upperLimit);
        table.setBoolean("backAndForth", used.backAndForth);
        if (used.type == JOINT_PRISMATIC) {
            table.setNumber("worldAxisX", used.axis.x);
            table.setNumber("worldAxisY", used.axis.y);
        }
        table.setBoolean("collideConnected", used.collideConnected);
        break;
    case JOINT_DESTROY_LINK:
        table.setNumber("destroyTimer", used.destroyTimer);
        break;
    default:
        break;
    }
    // Distance joints show the anchors they were made with; the others as given.
    if (used.type >= JOINT_DISTANCE) {
        table.setNumber("x1", used.x1);
        table.setNumber("y1", used.y1);
        table.setNumber("x2", used.x2);
        table.setNumber("y2", used.y2);
    }
    m_objects.getTable("joints").setTable(record.name, &table);
}

int GameLua::setJointParameters(lua::NativeCall& call)
{
    const lua::LuaTable parameters = call.getTable(call.count());
    JointRecord* record = m_physics->findJoint(parameters.getString("name"));
    if (!record)
        return 0;
    lua::LuaTable joints = m_objects.getTable("joints");
    lua::LuaTable table = joints.isTable(record->name) ? joints.getTable(record->name) : lua::LuaTable();
    // In this order, each key only when given with its type.
    static const struct
    {
        const char* key;
        JointParameter parameter;
        bool flag;
    } kKeys[] = {{"motor", MOTOR, true},          {"motorSpeed", MOTOR_SPEED, false},
                 {"maxTorque", MAX_TORQUE, false}, {"limit", LIMIT, true},
                 {"lowerLimit", LOWER_LIMIT, false}, {"upperLimit", UPPER_LIMIT, false},
                 {"frequency", FREQUENCY, false},  {"dampingRatio", DAMPING_RATIO, false}};
    for (const auto& k : kKeys) {
        if (k.flag ? !parameters.isBoolean(k.key) : !parameters.isNumber(k.key))
            continue;
        const bool on = k.flag && parameters.getBoolean(k.key);
        const float value = k.flag ? (on ? 1.0f : 0.0f) : parameters.getNumber(k.key);
        if (!m_physics->setJointParameter(*record, k.parameter, value))
            continue;
        if (k.flag)
            table.setBoolean(k.key, on);
        else
            table.setNumber(k.key, value);
    }
    return 0;
}

void GameLua::checkJointLimits(String name)
{
    m_physics->checkJointLimits(name);
}

void GameLua::destroyJoint(String name)
{
    m_physics->destroyJoint(name);
}

void GameLua::removeJointTable(const String& name)
{
    if (m_objects.isTable("joints"))
        m_objects.getTable("joints").remove(name);
}

void GameLua::jointRemoved(const JointRecord& joint)
{
    removeJointTable(joint.name);
}

float GameLua::linkDelay(const JointRecord& link, float made)
{
    // The scripts may have changed the delay in the link's table since.
    if (!m_objects.isTable("joints"))
        return made;
    lua::LuaTable joints = m_objects.getTable("joints");
    return joints.isTable(link.name) ? numberOr(joints.getTable(link.name), "destroyTimer", made) : made;
}

void GameLua::jointMoved(const JointRecord& record, b2Vec2 a, b2Vec2 b)
{
    if (!m_objects.isTable("joints"))
        return;
    lua::LuaTable joints = m_objects.getTable("joints");
    if (!joints.isTable(record.name))
        return;
    lua::LuaTable table = joints.getTable(record.name);
    table.setNumber("x1", a.x);
    table.setNumber("y1", a.y);
    table.setNumber("x2", b.x);
    table.setNumber("y2", b.y);
}

} // namespace game
