// Joints between named objects: springs and rods, welds, hinges, sliders and destroy links.

#include "game/World.h"

#include "lua/LuaException.h"

using lang::Format;
using lang::String;

namespace game {

namespace {

/// Gives a distance joint its spring, or makes it a rigid rod of its rest length when the
/// frequency is 0 or less, as the scripts were written to expect.
void spring(b2DistanceJoint* joint, float frequency, float dampingRatio)
{
    if (frequency > 0) {
        float stiffness, damping;
        b2LinearStiffness(stiffness, damping, frequency, dampingRatio, joint->GetBodyA(), joint->GetBodyB());
        joint->SetStiffness(stiffness);
        joint->SetDamping(damping);
        joint->SetMinLength(0);
        joint->SetMaxLength(b2_maxFloat);
    } else {
        joint->SetStiffness(0);
        joint->SetDamping(0);
        joint->SetMinLength(joint->GetLength());
        joint->SetMaxLength(joint->GetLength());
    }
    // A new spring moves resting bodies; the library wakes them only for motor changes.
    joint->GetBodyA()->SetAwake(true);
    joint->GetBodyB()->SetAwake(true);
}

} // namespace

JointDef JointDef::ofType(int type)
{
    JointDef def;
    def.type = type;
    if (type == JOINT_PRISMATIC) {
        def.motor = true;
        def.limit = true;
        def.upperLimit = 5;
        def.backAndForth = true;
    }
    return def;
}

void World::createJoint(const JointDef& def)
{
    const bool physical = def.type >= JOINT_DISTANCE && def.type <= JOINT_PRISMATIC;
    // The library cannot join a body to itself; such a joint would also outlive the first
    // removal of the object.
    if (physical && def.end1 == def.end2)
        throw lua::LuaException(Format("Joint {0}: both ends are {1}", def.name, def.end1));
    if (deferred([this, def] { createJoint(def); }))
        return;
    const int made = m_joints.size();
    buildJoint(def);
    for (int i = made; i < m_joints.size(); ++i)
        noteAwake(m_joints[i].joint);
}

void World::buildJoint(const JointDef& def)
{
    RenderObjectData* a = nullptr;
    RenderObjectData* b = nullptr;
    if (def.type >= JOINT_DISTANCE && def.type <= JOINT_DESTROY_LINK) {
        for (const String& end : {def.end1, def.end2})
            if (!find(end))
                throw lua::LuaException(Format("Joint {0}: no object named \"{1}\"", def.name, end));
        a = find(def.end1);
        b = find(def.end2);
    }

    JointDef used = def;
    JointRecord record;
    record.name = def.name;
    record.end1 = def.end1;
    record.end2 = def.end2;
    record.coordType = def.coordType;
    record.frequency = def.frequency;
    record.dampingRatio = def.dampingRatio;
    record.destroyTimer = def.destroyTimer;

    switch (def.type) {
    case JOINT_DISTANCE: {
        b2Body* A = a->body;
        b2Body* B = b->body;
        b2Vec2 localA(0, 0), localB(0, 0), p1, p2;
        if (def.coordType == 1) {
            p1 = def.worldAnchorA;
            p2 = def.worldAnchorB;
            localA = p1 - A->GetPosition();
            localB = p2 - B->GetPosition();
        } else if (def.coordType == 2) {
            localA.Set(def.x1, def.y1);
            localB.Set(def.x2, def.y2);
            p1 = A->GetWorldPoint(localA);
            p2 = B->GetWorldPoint(localB);
        } else {
            p1 = A->GetPosition();
            p2 = B->GetPosition();
        }
        b2DistanceJointDef jd;
        jd.bodyA = A;
        jd.bodyB = B;
        jd.localAnchorA = localA;
        jd.localAnchorB = localB;
        jd.length = (p2 - p1).Length();
        jd.collideConnected = def.collideConnected;
        auto* joint = static_cast<b2DistanceJoint*>(m_world->CreateJoint(&jd));
        spring(joint, def.frequency, def.dampingRatio);
        record.joint = joint;
        if (def.coordType != 2) {
            used.x1 = p1.x;
            used.y1 = p1.y;
            used.x2 = p2.x;
            used.y2 = p2.y;
        }
        break;
    }
    case JOINT_WELD: {
        const b2Vec2 w1 = a->body->GetWorldPoint(b2Vec2(def.x1, def.y1));
        const b2Vec2 w2 = b->body->GetWorldPoint(b2Vec2(def.x2, def.y2));
        b2WeldJointDef jd;
        jd.Initialize(a->body, b->body, 0.5f * (w1 + w2));
        jd.collideConnected = def.collideConnected;
        record.joint = m_world->CreateJoint(&jd);
        break;
    }
    case JOINT_REVOLUTE: {
        b2RevoluteJointDef jd;
        jd.Initialize(a->body, b->body, a->body->GetWorldPoint(b2Vec2(def.x1, def.y1)));
        jd.enableMotor = def.motor;
        jd.motorSpeed = def.motorSpeed;
        jd.maxMotorTorque = def.maxTorque;
        jd.enableLimit = def.limit;
        jd.lowerAngle = def.lowerLimit;
        jd.upperAngle = def.upperLimit;
        jd.collideConnected = def.collideConnected;
        record.joint = m_world->CreateJoint(&jd);
        break;
    }
    case JOINT_PRISMATIC: {
        b2PrismaticJointDef jd;
        jd.Initialize(a->body, b->body, a->body->GetWorldPoint(b2Vec2(def.x1, def.y1)), def.axis);
        jd.enableLimit = def.limit;
        jd.lowerTranslation = def.lowerLimit;
        jd.upperTranslation = def.upperLimit;
        jd.enableMotor = def.motor;
        jd.motorSpeed = def.motorSpeed;
        jd.maxMotorForce = def.maxTorque;
        jd.collideConnected = def.collideConnected;
        record.joint = m_world->CreateJoint(&jd);
        break;
    }
    default:
        break;
    }
    (def.type == JOINT_DESTROY_LINK ? m_links : m_joints).add(record);
    m_listener->jointCreated(record, used);
}

JointRecord* World::findJoint(const String& name)
{
    for (JointRecord& record : m_joints)
        if (record.name == name)
            return record.joint ? &record : nullptr;
    return nullptr;
}

bool World::setJointParameter(JointRecord& record, JointParameter parameter, float value)
{
    b2Joint* joint = record.joint;
    if (!joint)
        return false;
    // A motor or limit change wakes the bodies.
    struct NoteAfter
    {
        World* world;
        b2Joint* joint;
        ~NoteAfter() { world->noteAwake(joint); }
    } note{this, joint};
    switch (joint->GetType()) {
    case e_revoluteJoint: {
        auto* j = static_cast<b2RevoluteJoint*>(joint);
        switch (parameter) {
        case MOTOR: j->EnableMotor(value != 0); return true;
        case MOTOR_SPEED: j->SetMotorSpeed(value); return true;
        case MAX_TORQUE: j->SetMaxMotorTorque(value); return true;
        case LIMIT: j->EnableLimit(value != 0); return true;
        case LOWER_LIMIT: j->SetLimits(value, j->GetUpperLimit()); return true;
        case UPPER_LIMIT: j->SetLimits(j->GetLowerLimit(), value); return true;
        default: return false;
        }
    }
    case e_prismaticJoint: {
        auto* j = static_cast<b2PrismaticJoint*>(joint);
        switch (parameter) {
        case MOTOR: j->EnableMotor(value != 0); return true;
        case MOTOR_SPEED: j->SetMotorSpeed(value); return true;
        case MAX_TORQUE: j->SetMaxMotorForce(value); return true;
        case LIMIT: j->EnableLimit(value != 0); return true;
        case LOWER_LIMIT: j->SetLimits(value, j->GetUpperLimit()); return true;
        case UPPER_LIMIT: j->SetLimits(j->GetLowerLimit(), value); return true;
        default: return false;
        }
    }
    case e_distanceJoint: {
        if (parameter == FREQUENCY)
            record.frequency = value;
        else if (parameter == DAMPING_RATIO)
            record.dampingRatio = value;
        else
            return false;
        spring(static_cast<b2DistanceJoint*>(joint), record.frequency, record.dampingRatio);
        return true;
    }
    default:
        return false;
    }
}

void World::checkJointLimits(const String& name)
{
    for (JointRecord& record : m_joints) {
        if (record.name != name || !record.joint)
            continue;
        if (record.joint->GetType() == e_revoluteJoint) {
            auto* j = static_cast<b2RevoluteJoint*>(record.joint);
            const float s = j->GetMotorSpeed(), angle = j->GetJointAngle();
            if (j->IsLimitEnabled() && j->IsMotorEnabled() &&
                ((s > 0 && angle >= j->GetUpperLimit()) || (s < 0 && angle <= j->GetLowerLimit()))) {
                j->SetMotorSpeed(-s);
                noteAwake(j);
            }
        } else if (record.joint->GetType() == e_prismaticJoint) {
            auto* j = static_cast<b2PrismaticJoint*>(record.joint);
            const float s = j->GetMotorSpeed(), t = j->GetJointTranslation();
            if (j->IsLimitEnabled() && j->IsMotorEnabled() &&
                ((s > 0 && t >= j->GetUpperLimit()) || (s < 0 && t <= j->GetLowerLimit()))) {
                j->SetMotorSpeed(-s);
                noteAwake(j);
            }
        }
    }
}

void World::destroyJoint(const String& name)
{
    if (deferred([this, name] { destroyJoint(name); }))
        return;
    for (int i = 0; i < m_joints.size(); ++i) {
        if (m_joints[i].name == name) {
            const JointRecord record = m_joints[i];
            if (record.joint) {
                // The library wakes both bodies as the joint goes.
                b2Body* bodies[2] = {record.joint->GetBodyA(), record.joint->GetBodyB()};
                m_world->DestroyJoint(record.joint);
                for (b2Body* body : bodies)
                    noteAwake(body);
            }
            m_joints.remove(i);
            m_listener->jointRemoved(record);
            return;
        }
    }
    for (int i = 0; i < m_links.size(); ++i) {
        if (m_links[i].name == name) {
            const JointRecord record = m_links[i];
            m_links.remove(i);
            m_listener->jointRemoved(record);
            return;
        }
    }
}

void World::removeJointsOf(const String& object)
{
    for (int i = m_links.size() - 1; i >= 0; --i) {
        const JointRecord link = m_links[i];
        if (link.end1 == object) {
            if (RenderObjectData* second = find(link.end2)) {
                second->destroyTimerRunning = true;
                m_timersMayRun = true;
                second->destroyTimer = m_listener->linkDelay(link, link.destroyTimer);
            }
        } else if (link.end2 != object) {
            continue;
        }
        m_links.remove(i);
        m_listener->jointRemoved(link);
    }
    // The physics joints went with the body.
    for (int i = m_joints.size() - 1; i >= 0; --i) {
        if (m_joints[i].end1 == object || m_joints[i].end2 == object) {
            const JointRecord record = m_joints[i];
            m_joints.remove(i);
            m_listener->jointRemoved(record);
        }
    }
}

std::vector<World::KeptJoint> World::keepJoints(const RenderObjectData* old) const
{
    std::vector<KeptJoint> kept;
    for (int i = 0; i < m_joints.size(); ++i) {
        b2Joint* j = m_joints[i].joint;
        if (!j || (j->GetBodyA() != old->body && j->GetBodyB() != old->body))
            continue;
        KeptJoint k;
        k.index = i;
        k.onA = j->GetBodyA() == old->body;
        b2JointDef* base = nullptr;
        switch (j->GetType()) {
        case e_distanceJoint: {
            auto* d = static_cast<b2DistanceJoint*>(j);
            b2DistanceJointDef& jd = k.def.emplace<b2DistanceJointDef>();
            jd.localAnchorA = d->GetLocalAnchorA();
            jd.localAnchorB = d->GetLocalAnchorB();
            jd.length = d->GetLength();
            jd.minLength = d->GetMinLength();
            jd.maxLength = d->GetMaxLength();
            jd.stiffness = d->GetStiffness();
            jd.damping = d->GetDamping();
            base = &jd;
            break;
        }
        case e_weldJoint: {
            auto* w = static_cast<b2WeldJoint*>(j);
            b2WeldJointDef& jd = k.def.emplace<b2WeldJointDef>();
            jd.localAnchorA = w->GetLocalAnchorA();
            jd.localAnchorB = w->GetLocalAnchorB();
            jd.referenceAngle = w->GetReferenceAngle();
            jd.stiffness = w->GetStiffness();
            jd.damping = w->GetDamping();
            base = &jd;
            break;
        }
        case e_revoluteJoint: {
            auto* r = static_cast<b2RevoluteJoint*>(j);
            b2RevoluteJointDef& jd = k.def.emplace<b2RevoluteJointDef>();
            jd.localAnchorA = r->GetLocalAnchorA();
            jd.localAnchorB = r->GetLocalAnchorB();
            jd.referenceAngle = r->GetReferenceAngle();
            jd.enableLimit = r->IsLimitEnabled();
            jd.lowerAngle = r->GetLowerLimit();
            jd.upperAngle = r->GetUpperLimit();
            jd.enableMotor = r->IsMotorEnabled();
            jd.motorSpeed = r->GetMotorSpeed();
            jd.maxMotorTorque = r->GetMaxMotorTorque();
            base = &jd;
            break;
        }
        case e_prismaticJoint: {
            auto* p = static_cast<b2PrismaticJoint*>(j);
            b2PrismaticJointDef& jd = k.def.emplace<b2PrismaticJointDef>();
            jd.localAnchorA = p->GetLocalAnchorA();
            jd.localAnchorB = p->GetLocalAnchorB();
            jd.localAxisA = p->GetLocalAxisA();
            jd.referenceAngle = p->GetReferenceAngle();
            jd.enableLimit = p->IsLimitEnabled();
            jd.lowerTranslation = p->GetLowerLimit();
            jd.upperTranslation = p->GetUpperLimit();
            jd.enableMotor = p->IsMotorEnabled();
            jd.motorSpeed = p->GetMotorSpeed();
            jd.maxMotorForce = p->GetMaxMotorForce();
            base = &jd;
            break;
        }
        default:
            break;
        }
        if (base) {
            base->bodyA = j->GetBodyA();
            base->bodyB = j->GetBodyB();
            base->collideConnected = j->GetCollideConnected();
        }
        kept.push_back(std::move(k));
    }
    return kept;
}

void World::remakeJoints(std::vector<KeptJoint>& kept, RenderObjectData* record)
{
    for (KeptJoint& k : kept) {
        JointRecord& joint = m_joints[k.index];
        joint.joint = nullptr; // destroyed with the old body
        b2JointDef* def = std::visit(
            [](auto& d) -> b2JointDef* {
                if constexpr (std::is_same_v<std::decay_t<decltype(d)>, std::monostate>)
                    return nullptr;
                else
                    return &d;
            },
            k.def);
        if (!def)
            continue;
        (k.onA ? def->bodyA : def->bodyB) = record->body;
        joint.joint = m_world->CreateJoint(def);
    }
    respring(record->body);
}

void World::respring(b2Body* body)
{
    // A spring's stiffness follows from the masses it joins: they are taken again when a
    // body's mass changes, as the scripts expect of a spring given by its frequency.
    for (JointRecord& record : m_joints)
        if (record.joint && record.joint->GetType() == e_distanceJoint &&
            (record.joint->GetBodyA() == body || record.joint->GetBodyB() == body)) {
            spring(static_cast<b2DistanceJoint*>(record.joint), record.frequency, record.dampingRatio);
            noteAwake(record.joint);
        }
}

} // namespace game
