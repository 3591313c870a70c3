// The game world through its C++ interface alone: no interpreter, a listener that records.

#include "LogCapture.h"

#include "game/World.h"
#include "lua/LuaException.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

using game::JointDef;
using game::ObjectDef;
using game::RenderObjectData;
using game::World;

namespace {

/// Keeps strengths by name, records what the world tells, and runs a hook on each
/// block-on-block contact.
class Recorder : public game::WorldListener
{
public:
    std::map<std::string, float> strength;
    std::vector<std::string> events;
    float score = 0;
    std::function<void(const RenderObjectData&, const RenderObjectData&)> onBlockCollision;

    void objectCreated(RenderObjectData& object, const ObjectDef&) override { note("created", object); }
    void objectMoved(RenderObjectData& object) override { note("moved", object); }
    Damage damage(const RenderObjectData& object) override
    {
        Damage damage;
        auto found = strength.find(object.name.str());
        damage.hasStrength = found != strength.end();
        damage.strength = damage.hasStrength ? found->second : 0;
        return damage;
    }
    void setStrength(RenderObjectData& object, float value) override { strength[object.name.str()] = value; }
    void destroyed(RenderObjectData& object) override { note("destroyed", object); }
    void addBlockScore(float points) override { score += points; }
    void blockCollision(const RenderObjectData& a, const RenderObjectData& b, float, bool) override
    {
        events.push_back("block " + a.name.str() + " " + b.name.str());
        if (onBlockCollision)
            onBlockCollision(a, b);
    }
    void stepped() override { events.push_back("stepped"); }

    bool saw(const std::string& event) const
    {
        for (const std::string& e : events)
            if (e == event)
                return true;
        return false;
    }
    /// Where event comes in the record, or -1.
    int indexOf(const std::string& event) const
    {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i] == event)
                return static_cast<int>(i);
        return -1;
    }

private:
    void note(const char* what, const RenderObjectData& object) { events.push_back(std::string(what) + " " + object.name.str()); }
};

ObjectDef box(const char* name, float x, float y, float width, float height, float density)
{
    ObjectDef def;
    def.name = name;
    def.x = x;
    def.y = y;
    def.width = width;
    def.height = height;
    def.density = density;
    def.friction = 0.5f;
    return def;
}

JointDef joint(int type, const char* name, const char* end1, const char* end2)
{
    JointDef def = JointDef::ofType(type);
    def.name = name;
    def.end1 = end1;
    def.end2 = end2;
    return def;
}

class WorldTest : public ::testing::Test
{
protected:
    LogCapture log;
    Recorder recorder;
    World world{&recorder};

    void SetUp() override { world.setEnabled(true); }
    void frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            world.step(World::STEP);
            world.publish();
        }
    }
};

} // namespace

TEST_F(WorldTest, BlockOnBlockDamageWorkedByHand)
{
    world.createObject(box("A", 0, 0, 1, 1, 2));
    world.createObject(box("B", 0.95f, 0, 1, 1, 1));
    recorder.strength["A"] = 1;
    recorder.strength["B"] = 0.5f;
    world.setVelocity("A", 3, 0);
    world.step(World::STEP);
    // impact = |2 x (3, 0) - 1 x (0, 0)| x 0.1 = 0.6: A keeps 0.4, B (0.5) breaks and
    // counts its 0.5; floor(0.6 + 0.5) x 10 = 10 points.
    ASSERT_TRUE(recorder.saw("block A B"));
    EXPECT_NEAR(recorder.strength["A"], 0.4f, 1e-5f);
    EXPECT_TRUE(recorder.saw("destroyed B"));
    EXPECT_EQ(recorder.score, 10.0f);
}

TEST_F(WorldTest, ChangesDuringAStepWaitForItsEndInOrder)
{
    world.createObject(box("shelf", 0, 5, 10, 1, 0));
    world.createObject(box("crate", 0, 3.9f, 1, 1, 1));
    int bodiesInside = -1;
    bool shelfFoundInside = true;
    recorder.onBlockCollision = [&](const RenderObjectData&, const RenderObjectData&) {
        if (bodiesInside >= 0)
            return;
        ASSERT_TRUE(world.isStepping());
        world.removeObject("shelf");
        world.createObject(box("drop", 20, 0, 1, 1, 1));
        world.setPosition("drop", 30, -10);
        bodiesInside = world.b2world()->GetBodyCount();
        shelfFoundInside = world.find("shelf") != nullptr;
    };
    world.step(World::STEP);
    EXPECT_EQ(bodiesInside, 2);      // nothing made or destroyed inside the step
    EXPECT_FALSE(shelfFoundInside);  // but the removed object is gone for the callers
    EXPECT_EQ(world.b2world()->GetBodyCount(), 2);
    EXPECT_EQ(world.find("shelf"), nullptr);
    ASSERT_NE(world.find("drop"), nullptr);
    EXPECT_FLOAT_EQ(world.find("drop")->body->GetPosition().x, 30.0f);
    const int created = recorder.indexOf("created drop"), moved = recorder.indexOf("moved drop");
    const int stepped = recorder.indexOf("stepped");
    EXPECT_TRUE(created >= 0 && created < moved && moved < stepped) << created << " " << moved << " " << stepped;
    // Nothing holds the crate up any more.
    frames(30);
    EXPECT_GT(world.find("crate")->y, 6.0f);
}

TEST_F(WorldTest, JointsBetweenOneObjectAndItselfAreRefused)
{
    world.createObject(box("a", 0, 0, 1, 1, 1));
    EXPECT_THROW(world.createJoint(joint(game::JOINT_REVOLUTE, "self", "a", "a")), lua::LuaException);
    EXPECT_THROW(world.createJoint(joint(game::JOINT_WELD, "ghost", "a", "nobody")), lua::LuaException);
    EXPECT_EQ(world.b2world()->GetJointCount(), 0);
    EXPECT_TRUE(world.joints().isEmpty());
}

TEST_F(WorldTest, ARodOfFrequencyZeroKeepsItsLength)
{
    world.createObject(box("anchor", 0, 0, 1, 1, 0));
    world.createObject(box("weight", 0, 3, 1, 1, 1));
    JointDef rod = joint(game::JOINT_DISTANCE, "rod", "anchor", "weight");
    rod.frequency = 0;
    world.createJoint(rod);
    world.setVelocity("weight", 5, 0); // swing it: a rod keeps the length, a slack one would not
    frames(60);
    const b2Vec2 p = world.find("weight")->body->GetPosition();
    EXPECT_NEAR(p.Length(), 3.0f, 0.02f);
}

TEST_F(WorldTest, ADynamicBodyWithoutMassGetsMassOne)
{
    world.createObject(box("plate", 0, 0, 1, 1, 0));
    world.setDynamic("plate", true);
    const b2Body* body = world.find("plate")->body;
    EXPECT_EQ(body->GetType(), b2_dynamicBody);
    EXPECT_EQ(body->GetMass(), 1.0f);
    EXPECT_EQ(body->GetInertia(), 0.0f); // it does not turn, as a massless shape gives no inertia
    frames(15);
    // Under gravity 20 from rest: y = 20 t^2 / 2 at t = 0.5 s, give or take the stepping.
    EXPECT_NEAR(world.find("plate")->y, 2.5f, 0.3f);
}

TEST_F(WorldTest, ADestroyLinkBreaksItsSecondObjectAfterItsDelay)
{
    world.createObject(box("first", 0, 0, 1, 1, 0));
    world.createObject(box("second", 5, 0, 1, 1, 0));
    JointDef link = joint(game::JOINT_DESTROY_LINK, "link", "first", "second");
    link.destroyTimer = 0.5f;
    world.createJoint(link);
    world.removeObject("first");
    frames(14);
    EXPECT_FALSE(recorder.saw("destroyed second"));
    frames(2);
    EXPECT_TRUE(recorder.saw("destroyed second"));
    EXPECT_EQ(recorder.strength["second"], 0.0f);
    EXPECT_TRUE(world.links().isEmpty());
}

TEST_F(WorldTest, ReplacingAnObjectMovesItsJointsToTheNewBody)
{
    world.createObject(box("a", 0, 0, 1, 1, 0));
    world.createObject(box("b", 2, 0, 1, 1, 1));
    JointDef hinge = joint(game::JOINT_REVOLUTE, "hinge", "a", "b");
    hinge.motor = true;
    hinge.motorSpeed = 2;
    world.createJoint(hinge);
    world.createObject(box("b", 2, 0, 2, 2, 1));
    ASSERT_EQ(world.b2world()->GetJointCount(), 1);
    auto* moved = static_cast<b2RevoluteJoint*>(world.joints()[0].joint);
    EXPECT_EQ(moved->GetBodyB(), world.find("b")->body);
    EXPECT_TRUE(moved->IsMotorEnabled());
    EXPECT_FLOAT_EQ(moved->GetMotorSpeed(), 2.0f);
}

TEST_F(WorldTest, DefinitionsThePhysicsCannotTakeAreRefused)
{
    lang::Format why;
    ObjectDef def = box("thin", 0, 0, 0, 1, 1);
    ASSERT_TRUE(def.invalid(&why));
    EXPECT_EQ(why.toString().str(), "Object thin: width must be greater than 0, not 0");
    def = box("far", NAN, 0, 1, 1, 1);
    EXPECT_TRUE(def.invalid(&why));
    def.shape = ObjectDef::POLYGON;
    def.x = 0;
    def.vertices.add(b2Vec2(0, 0));
    def.vertices.add(b2Vec2(1, 0));
    def.vertices.add(b2Vec2(0, 1));
    EXPECT_FALSE(def.invalid(&why));
    def.vertices[2] = b2Vec2(1, 0.001f); // welded to (1, 0) by the library
    EXPECT_TRUE(def.invalid(&why));
    EXPECT_THROW(world.createObject(def), lua::LuaException);
    EXPECT_EQ(world.b2world()->GetBodyCount(), 0);
}
