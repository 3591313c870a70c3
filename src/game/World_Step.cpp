// The fixed 30 Hz step with interpolation, the destroy timers, and the publishing pass.

#include "game/World.h"

#include "lang/Debug.h"

#include <chrono>
#include <cmath>

namespace game {

namespace {

const float TWO_PI = 6.28318530718f;

float bodyAngle(const b2Body* body)
{
    const b2Rot& q = body->GetTransform().q;
    return std::atan2(q.s, q.c);
}

} // namespace

float World::interpolateAngle(float older, float newer, float alpha)
{
    const float PI = 3.14159265f;
    if (std::fabs(newer - older) >= PI)
        older += older < newer ? TWO_PI : -TWO_PI;
    return (1 - alpha) * older + alpha * newer;
}

void World::repairIfInvalid(RenderObjectData* record)
{
    b2Body* body = record->body;
    const b2Vec2 p = body->GetPosition();
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(body->GetAngle()))
        return;
    // Nothing the scripts can do should reach this; if the solver still diverges, the
    // object stops where it last was rather than publish numbers that are not numbers.
    const PhysicsState& last = record->state[m_slot ^ 1]; // the newest snapshot until this one
    lang::log("Object %s: its motion diverged; it stops where it last was\n", record->name.c_str());
    body->SetTransform(b2Vec2(last.x, last.y), last.angle);
    body->SetLinearVelocity(b2Vec2(0, 0));
    body->SetAngularVelocity(0);
}

void World::step(float dt)
{
    // Single-precision arithmetic throughout: the step count of a frame depends on it.
    m_accumulator += dt;
    m_stepMilliseconds = 0;
    m_stepsTaken = 0;
    // Timed as a whole, so the figure is what the steps cost the frame, not only the solver.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = m_accumulator >= STEP ? Clock::now() : Clock::time_point();
    while (m_accumulator >= STEP) {
        m_world->Step(STEP, 10, 10);
        ++m_stepsTaken;
        m_accumulator -= STEP;
        // The changes asked for are made even after a failed callback; the callback's
        // error is the one reported.
        std::exception_ptr failure = m_stepFailure;
        m_stepFailure = nullptr;
        try {
            applyDeferred();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        if (failure)
            std::rethrow_exception(failure);
        m_listener->stepped();
        for (RenderObjectData* bird : m_birds) {
            if (!bird->hasPendingVelocity)
                continue;
            lang::log("Bird %s new velocity is x: %f, y: %f", bird->name.c_str(),
                      static_cast<double>(bird->pendingVelocityX), static_cast<double>(bird->pendingVelocityY));
            if (bird->body->GetType() != b2_staticBody)
                bird->body->SetLinearVelocity(b2Vec2(bird->pendingVelocityX, bird->pendingVelocityY));
            bird->hasPendingVelocity = false;
        }
        listWoken();
        if (m_accumulator > 2 * STEP)
            continue; // more steps are due at once: no snapshot in between
        m_slot ^= 1;
        for (size_t i = 0; i < m_awakeRecords.size();) {
            RenderObjectData* record = m_awakeRecords[i];
            b2Body* body = record->body;
            if (!body->IsAwake()) {
                settle(record); // takes it off the list: the next one is at i now
                continue;
            }
            repairIfInvalid(record);
            record->state[m_slot] = PhysicsState{body->GetPosition().x, body->GetPosition().y, bodyAngle(body)};
            if (record->bird && body->GetMass() != 0)
                body->SetBullet(true);
            ++i;
        }
    }
    m_world->ClearForces();
    if (m_stepsTaken > 0)
        m_stepMilliseconds = std::chrono::duration<float, std::milli>(Clock::now() - start).count();

    const float alpha = m_accumulator / STEP;
    for (size_t i = 0; i < m_awakeRecords.size();) {
        RenderObjectData* record = m_awakeRecords[i];
        if (!record->body->IsAwake()) {
            settle(record);
            continue;
        }
        const PhysicsState& older = record->state[m_slot ^ 1];
        const PhysicsState& newer = record->state[m_slot];
        record->x = (1 - alpha) * older.x + alpha * newer.x;
        record->y = (1 - alpha) * older.y + alpha * newer.y;
        record->angle = interpolateAngle(older.angle, newer.angle, alpha);
        ++i;
    }
    if (!m_timersMayRun)
        return;
    m_timersMayRun = false;
    for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it) {
        RenderObjectData* record = it.value();
        if (!record->destroyTimerRunning)
            continue;
        record->destroyTimer -= dt;
        if (record->destroyTimer <= 0) {
            record->destroyTimerRunning = false;
            m_listener->setStrength(*record, 0);
            m_listener->destroyed(*record);
        } else {
            m_timersMayRun = true;
        }
    }
}

void World::listWoken()
{
    // Grows while it runs: a woken body is looked through in turn.
    for (size_t i = 0; i < m_awakeRecords.size(); ++i) {
        b2Body* body = m_awakeRecords[i]->body;
        if (!body->IsAwake())
            continue;
        for (b2ContactEdge* edge = body->GetContactList(); edge; edge = edge->next)
            if (edge->other->IsAwake())
                noteAwake(edge->other);
        for (b2JointEdge* edge = body->GetJointList(); edge; edge = edge->next)
            if (edge->other->IsAwake())
                noteAwake(edge->other);
    }
}

void World::settle(RenderObjectData* record)
{
    b2Body* body = record->body;
    const PhysicsState rest{body->GetPosition().x, body->GetPosition().y, bodyAngle(body)};
    record->state[0] = record->state[1] = rest;
    record->x = rest.x, record->y = rest.y, record->angle = rest.angle;
    RenderObjectData* last = m_awakeRecords.back();
    m_awakeRecords[static_cast<size_t>(record->awakeIndex)] = last;
    last->awakeIndex = record->awakeIndex;
    m_awakeRecords.pop_back();
    record->awakeIndex = -1;
}

void World::publish()
{
    m_moving = m_awake = m_movingAboveTolerance = false;
    for (float& volume : m_rollingVolume)
        volume = 0;
    for (auto it = m_objectsByName.begin(); it != m_objectsByName.end(); ++it) {
        RenderObjectData* record = it.value();
        b2Body* body = record->body;
        const bool awakeNow = body->IsAwake();
        if (!awakeNow && !record->wasAwake)
            continue;
        // A body woken some way the step did not see is listed from now on; its snapshots
        // still hold where it rested.
        if (awakeNow && record->awakeIndex < 0)
            noteAwake(record);
        m_awake = true;
        const bool outside =
            body->GetMass() > 0 && (record->y > 20 || record->x < m_levelLeft || record->x > m_levelRight);
        const b2Vec2 v = body->GetLinearVelocity();
        const float w = body->GetAngularVelocity();
        const bool jointed = body->GetJointList() != nullptr;
        if (v.LengthSquared() > 0.0005f && !record->bird && !jointed)
            m_movingAboveTolerance = true;
        if (v.LengthSquared() > 9 || (std::fabs(w) > 0.1f && !jointed))
            m_moving = true;
        if (!record->bird && record->rolling) {
            float volume = body->GetMass() * (record->rollingFactor * std::fabs(w) / 400);
            volume = volume > 1 ? 1 : volume;
            if (volume > m_rollingVolume[record->material])
                m_rollingVolume[record->material] = volume;
        }
        record->wasAwake = awakeNow;
        m_listener->objectPublished(*record, bodyAngle(body), awakeNow, outside);
    }
    for (const JointRecord& record : m_joints)
        if (record.coordType != 2 && record.joint)
            m_listener->jointMoved(record, record.joint->GetAnchorA(), record.joint->GetAnchorB());
}

} // namespace game
