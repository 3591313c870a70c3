#include "game/PhysicsView.h"

#include "game/GameLua.h"
#include "game/World.h"
#include "gr/Context.h"

#include <box2d/box2d.h>

#include <cmath>

namespace game {

namespace {

const float kUnit = GameLua::PIXELS_PER_UNIT;
const int kCircleSegments = 24; // also the most points an outline has

/// A 1-pixel line lights the pixels its centre crosses. An outline on the shape's edge would
/// fall between the shape's border pixels and its neighbours'; moved half a screen pixel
/// inwards it lights exactly the shape's own border pixels.
void drawOutline(gr::Context* context, const b2Vec2* points, int count, float inset, uint32_t colour)
{
    b2Vec2 centre(0, 0);
    for (int i = 0; i < count; ++i)
        centre += points[i];
    centre *= 1.0f / count;
    b2Vec2 moved[kCircleSegments];
    for (int i = 0; i < count; ++i) {
        // The corner where the two edges, each moved inwards by inset, meet.
        const b2Vec2& previous = points[(i + count - 1) % count];
        const b2Vec2& next = points[(i + 1) % count];
        b2Vec2 n1(previous.y - points[i].y, points[i].x - previous.x);
        b2Vec2 n2(points[i].y - next.y, next.x - points[i].x);
        n1.Normalize();
        n2.Normalize();
        // Inwards is towards the centre, whichever way the polygon winds.
        if (b2Dot(n1, centre - points[i]) < 0)
            n1 = -n1, n2 = -n2;
        const float d = 1 + b2Dot(n1, n2);
        moved[i] = d > 1e-3f ? points[i] + (inset / d) * (n1 + n2) : points[i];
    }
    for (int i = 0; i < count; ++i) {
        const b2Vec2& a = moved[i];
        const b2Vec2& b = moved[(i + 1) % count];
        context->drawLine(colour, a.x, a.y, b.x, b.y, 1);
    }
}

uint32_t bodyColour(const b2Body* body)
{
    if (body->GetType() == b2_staticBody || body->GetMass() == 0)
        return PhysicsView::STATIC;
    return body->IsAwake() ? PhysicsView::AWAKE : PhysicsView::SLEEPING;
}

void drawFixture(gr::Context* context, const b2Fixture* fixture, float inset, uint32_t colour)
{
    const b2Transform& transform = fixture->GetBody()->GetTransform();
    const b2Shape* shape = fixture->GetShape();
    b2Vec2 points[kCircleSegments];
    int count = 0;
    if (shape->GetType() == b2Shape::e_polygon) {
        const auto* polygon = static_cast<const b2PolygonShape*>(shape);
        count = polygon->m_count;
        for (int i = 0; i < count; ++i)
            points[i] = kUnit * b2Mul(transform, polygon->m_vertices[i]);
    } else if (shape->GetType() == b2Shape::e_circle) {
        const auto* circle = static_cast<const b2CircleShape*>(shape);
        const b2Vec2 centre = kUnit * b2Mul(transform, circle->m_p);
        const float radius = kUnit * circle->m_radius;
        const float angle = fixture->GetBody()->GetAngle();
        count = kCircleSegments;
        for (int i = 0; i < count; ++i) {
            const float a = angle + 2 * b2_pi * i / count;
            points[i] = centre + radius * b2Vec2(std::cos(a), std::sin(a));
        }
        // The radius to the body's angle shows it turn.
        context->drawLine(colour, centre.x, centre.y, points[0].x, points[0].y, 1);
    } else {
        return;
    }
    drawOutline(context, points, count, inset, colour);
}

} // namespace

void PhysicsView::draw(gr::Context* context, const World& world, float topLeftX, float topLeftY, float scale)
{
    if (!(scale > 0))
        return;
    const gr::DrawState saved = context->drawState();
    gr::DrawState state;
    state.translateX = -topLeftX;
    state.translateY = -topLeftY;
    state.scaleX = state.scaleY = scale;
    context->setDrawState(state);
    const float inset = 0.5f / scale; // half a screen pixel, in world pixels

    b2World* physics = world.b2world();
    for (b2Body* body = physics->GetBodyList(); body; body = body->GetNext()) {
        const uint32_t colour = bodyColour(body);
        for (b2Fixture* fixture = body->GetFixtureList(); fixture; fixture = fixture->GetNext())
            drawFixture(context, fixture, inset, colour);
    }
    for (b2Joint* joint = physics->GetJointList(); joint; joint = joint->GetNext()) {
        const b2Vec2 a = kUnit * joint->GetAnchorA(), b = kUnit * joint->GetAnchorB();
        context->drawLine(JOINT, a.x, a.y, b.x, b.y, 1);
    }
    const float half = 2 / scale;
    for (b2Contact* contact = physics->GetContactList(); contact; contact = contact->GetNext()) {
        if (!contact->IsTouching())
            continue;
        b2WorldManifold manifold;
        contact->GetWorldManifold(&manifold);
        for (int i = 0; i < contact->GetManifold()->pointCount; ++i) {
            const b2Vec2 p = kUnit * manifold.points[i];
            context->fillRect(CONTACT, p.x - half, p.y - half, 2 * half, 2 * half);
        }
    }
    if (world.levelRight() > world.levelLeft()) {
        // Objects past the sides or below y 20 count as outside; the top is open.
        const b2Vec2 corners[4] = {kUnit * b2Vec2(float(world.levelLeft()), -1000.0f),
                                   kUnit * b2Vec2(float(world.levelRight()), -1000.0f),
                                   kUnit * b2Vec2(float(world.levelRight()), 20.0f),
                                   kUnit * b2Vec2(float(world.levelLeft()), 20.0f)};
        drawOutline(context, corners, 4, inset, LIMITS);
    }
    context->flush();
    context->setDrawState(saved);
}

} // namespace game
