#include "GameFixture.h"

namespace {

const char* const kPair = "objects.world = {} objects.joints = {} deadBlocks = {}\n "
                          "setPhysicsEnabled(true) setLevelLimits(-100, 0, 100, 0)\n "
                          "function pair()\n "
                          "  createBox('a', '', 0, 0, 1, 1, 0, 0.5, 0, true, false, 1)\n "
                          "  createBox('b', '', 3, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n "
                          "end\n";

} // namespace

TEST_F(GameTest, RevoluteDefaults)
{
    start(kPair);
    run("pair() createJoint({ type = 3, name = 'hinge', end1 = 'a', end2 = 'b' })");
    EXPECT_TRUE(boolean("objects.joints.hinge.motor == false and objects.joints.hinge.limit == false "
                        " and objects.joints.hinge.lowerLimit == 0 and math.abs(objects.joints.hinge.upperLimit - math.pi) < 1e-6 "
                        " and objects.joints.hinge.maxTorque == 10000 and objects.joints.hinge.backAndForth == false "
                        " and objects.joints.hinge.coordType == 0 and objects.joints.hinge.type == 3"));
    b2Joint* joint = world().object("a")->body->GetJointList()->joint;
    ASSERT_EQ(joint->GetType(), e_revoluteJoint);
    auto* hinge = static_cast<b2RevoluteJoint*>(joint);
    EXPECT_FALSE(hinge->IsMotorEnabled());
    EXPECT_FLOAT_EQ(hinge->GetUpperLimit(), 3.1415927f);
    EXPECT_FLOAT_EQ(hinge->GetMaxMotorTorque(), 10000.0f);
}

TEST_F(GameTest, PrismaticDefaultsAndCoordTypes)
{
    start(kPair);
    run("pair() createJoint({ type = 4, name = 'slide', end1 = 'a', end2 = 'b', coordType = 1.6 }) "
        "createJoint({ type = 2, name = 'weld', end1 = 'a', end2 = 'b', coordType = 0.4 })");
    EXPECT_TRUE(boolean("objects.joints.slide.motor == true and objects.joints.slide.motorSpeed == 0 "
                        " and objects.joints.slide.limit == true and objects.joints.slide.lowerLimit == 0 "
                        " and objects.joints.slide.upperLimit == 5 and objects.joints.slide.backAndForth == true"));
    EXPECT_EQ(number("objects.joints.slide.coordType"), 2.0f);
    EXPECT_EQ(number("objects.joints.weld.coordType"), 0.0f);
    EXPECT_TRUE(boolean("objects.joints.weld.collideConnected == false"));
}

TEST_F(GameTest, DistanceJointConventions)
{
    start(kPair);
    // coordType 0: body positions; 1: world anchors at call positions 6 to 9; 2: local anchors.
    run("pair() createJoint({ type = 1, name = 'd0', end1 = 'a', end2 = 'b' }) "
        "createJoint(0, 0, 0, 0, 0, 0.5, 0, 2.5, 0, { type = 1, name = 'd1', end1 = 'a', end2 = 'b', coordType = 1 }) "
        "createJoint({ type = 1, name = 'd2', end1 = 'a', end2 = 'b', coordType = 2, x1 = 0.25, x2 = -0.25 })");
    EXPECT_TRUE(boolean("objects.joints.d0.x2 == 3 and objects.joints.d0.frequency == 4 and objects.joints.d0.dampingRatio == 0.5 "
                        " and objects.joints.d0.collideConnected == 0"));
    b2Body* a = world().object("a")->body;
    float lengths[3] = {};
    for (b2JointEdge* edge = a->GetJointList(); edge; edge = edge->next) {
        auto* d = static_cast<b2DistanceJoint*>(edge->joint);
        const float anchorX = d->GetLocalAnchorA().x;
        lengths[anchorX == 0.5f ? 1 : anchorX == 0.25f ? 2 : 0] = d->GetLength();
        EXPECT_GT(d->GetStiffness(), 0.0f); // frequency 4 given as stiffness
    }
    EXPECT_FLOAT_EQ(lengths[0], 3.0f);
    EXPECT_FLOAT_EQ(lengths[1], 2.0f);
    EXPECT_FLOAT_EQ(lengths[2], 2.5f);
}

TEST_F(GameTest, AJointToNothingIsAScriptError)
{
    start(kPair);
    try {
        run("pair() createJoint({ type = 3, name = 'hinge', end1 = 'a', end2 = 'ghost' })");
        FAIL();
    } catch (const lua::LuaException& e) {
        EXPECT_EQ(e.getMessage().str().rfind("Joint hinge: no object named \"ghost\"", 0), 0u) << e.getMessage();
    }
    EXPECT_EQ(world().world()->GetJointCount(), 0);
}

TEST_F(GameTest, DestroyLinks)
{
    start(kPair);
    run("pair() objects.world.b.strength = 5 "
        "createJoint({ type = 5, name = 'link', end1 = 'a', end2 = 'b', destroyTimer = 2 }) "
        "removeObject('a')");
    EXPECT_TRUE(boolean("objects.joints.link == nil"));
    for (int i = 0; i < 59; ++i)
        frame(1.0f / 30);
    EXPECT_EQ(number("objects.world.b.strength"), 5.0f);
    frame(1.0f / 30 + 0.001f);
    EXPECT_EQ(number("objects.world.b.strength"), 0.0f);
    EXPECT_TRUE(boolean("deadBlocks.b == objects.world.b"));

    delete app;
    app = nullptr;
    start(kPair);
    run("pair() objects.world.a.strength = 5 "
        "createJoint({ type = 5, name = 'link', end1 = 'a', end2 = 'b', destroyTimer = 0.1 }) "
        "removeObject('b') removeObject('a')");
    for (int i = 0; i < 10; ++i)
        frame(1.0f / 30);
    EXPECT_TRUE(boolean("next(deadBlocks) == nil and objects.joints.link == nil"));
}

TEST_F(GameTest, JointLimitsAndParameters)
{
    start(kPair);
    run("pair() createJoint({ type = 3, name = 'arm', end1 = 'a', end2 = 'b', motor = true, motorSpeed = 1.5, "
        " limit = true, lowerLimit = -1, upperLimit = 0 }) "
        "createJoint({ type = 3, name = 'free', end1 = 'a', end2 = 'b', motorSpeed = 1.5, limit = true, upperLimit = 0 })");
    run("checkJointLimits('arm') checkJointLimits('free') checkJointLimits('nothing')");
    auto speedOf = [&](const char* name) {
        for (b2JointEdge* edge = world().object("a")->body->GetJointList(); edge; edge = edge->next) {
            auto* j = static_cast<b2RevoluteJoint*>(edge->joint);
            const bool motor = j->IsMotorEnabled();
            if ((std::string(name) == "arm") == motor)
                return j->GetMotorSpeed();
        }
        return -99.0f;
    };
    EXPECT_FLOAT_EQ(speedOf("arm"), -1.5f); // at its upper limit (angle 0): reversed
    EXPECT_FLOAT_EQ(speedOf("free"), 1.5f); // motor off: unchanged
    run("setJointParameters({ name = 'arm', motorSpeed = 3, upperLimit = 2 })");
    EXPECT_TRUE(boolean("objects.joints.arm.motorSpeed == 3 and objects.joints.arm.upperLimit == 2"));
    EXPECT_FLOAT_EQ(speedOf("arm"), 3.0f);
    run("destroyJoint('arm') destroyJoint('arm')");
    EXPECT_TRUE(boolean("objects.joints.arm == nil"));
    EXPECT_EQ(world().world()->GetJointCount(), 1);
}

TEST_F(GameTest, AnchorsAreRefreshedExceptCoordTypeTwo)
{
    start(kPair);
    run("pair() createJoint({ type = 1, name = 'spring', end1 = 'a', end2 = 'b' }) "
        "createJoint({ type = 1, name = 'fixed', end1 = 'a', end2 = 'b', coordType = 2, x2 = 0.25 }) "
        "setPosition('b', 4, 0)");
    frame(1.0f / 30);
    EXPECT_GT(number("objects.joints.spring.x2"), 3.5f);
    EXPECT_EQ(number("objects.joints.fixed.x2"), 0.25f);
}

TEST_F(GameTest, AJointFromAnObjectToItselfIsRefused)
{
    start(kPair);
    run("pair()");
    try {
        run("createJoint({ type = 1, name = 'self', end1 = 'b', end2 = 'b' })");
        FAIL();
    } catch (const lua::LuaException& e) {
        EXPECT_EQ(e.getMessage().str().rfind("Joint self: both ends are b", 0), 0u) << e.getMessage();
    }
    EXPECT_EQ(world().world()->GetJointCount(), 0);
    EXPECT_FALSE(boolean("objects.joints.self ~= nil"));
    run("removeObject('b') loadLevel('none')");
    EXPECT_EQ(world().world()->GetBodyCount(), 0);
}

TEST_F(GameTest, ADistanceJointOfFrequencyZeroIsARigidRod)
{
    start(kPair);
    run("createBox('a', '', 0, 0, 1, 1, 0, 0.5, 0, true, false, 1) "
        "createBox('b', '', 0, 3, 1, 1, 1, 0.5, 0, true, false, 1) "
        "createJoint({ type = 1, name = 'rod', end1 = 'a', end2 = 'b', frequency = 0 })");
    for (int i = 0; i < 60; ++i)
        frame(1.0f / 30);
    EXPECT_NEAR(number("objects.world.b.y"), 3.0f, 0.05f);
    // A spring again, then a rod again: the box sags under it, then is held.
    run("setJointParameters({ name = 'rod', frequency = 1 })");
    for (int i = 0; i < 30; ++i)
        frame(1.0f / 30);
    EXPECT_GT(number("objects.world.b.y"), 3.2f);
}

TEST_F(GameTest, ADensityZeroBodyMadeDynamicGetsMassOne)
{
    start(kPair);
    run("createBox('a', '', 0, 0, 1, 1, 0, 0.5, 0, true, false, 1) "
        "createBox('c', '', 0, 3, 1, 1, 0, 0.5, 0, true, false, 1) "
        "createJoint({ type = 1, name = 'spring', end1 = 'a', end2 = 'c' }) "
        "setObjectParameter('c', 2, 1)");
    EXPECT_EQ(world().object("c")->body->GetMass(), 1.0f);
    for (int i = 0; i < 30; ++i)
        frame(1.0f / 30);
    EXPECT_TRUE(boolean("objects.world.c.x == objects.world.c.x and objects.world.c.y == objects.world.c.y"));
    EXPECT_NEAR(number("objects.world.c.y"), 3.0f, 1.5f);
}

TEST_F(GameTest, CollideConnectedReadsNumbersAsTheEngineWritesThem)
{
    start(kPair);
    run("pair() createJoint({ type = 1, name = 'one', end1 = 'a', end2 = 'b', collideConnected = 1 }) "
        "createJoint({ type = 1, name = 'zero', end1 = 'a', end2 = 'b', collideConnected = 0 }) "
        "createJoint({ type = 3, name = 'yes', end1 = 'a', end2 = 'b', collideConnected = true })");
    for (const game::JointRecord& joint : world().physics().joints())
        EXPECT_EQ(joint.joint->GetCollideConnected(), joint.name != "zero") << joint.name;
    EXPECT_EQ(number("objects.joints.one.collideConnected"), 1.0f);
    EXPECT_EQ(number("objects.joints.zero.collideConnected"), 0.0f);
}

TEST_F(GameTest, AnObjectMadeAgainKeepsItsJointsAndLinks)
{
    start(kPair);
    run("pair() createBox('c', '', 6, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "createJoint({ type = 3, name = 'hinge', end1 = 'a', end2 = 'b', x1 = 1 }) "
        "createJoint({ type = 5, name = 'link', end1 = 'b', end2 = 'c', destroyTimer = 0.5 }) "
        "createCircle('b', '', 3, 0, 0.5, 1, 0.5, 0, false, 1)");
    EXPECT_FALSE(world().object("c")->destroyTimerRunning);
    EXPECT_TRUE(boolean("objects.joints.hinge ~= nil and objects.joints.link ~= nil"));
    ASSERT_EQ(world().world()->GetJointCount(), 1);
    b2Joint* hinge = world().physics().joints()[0].joint;
    EXPECT_EQ(hinge->GetBodyB(), world().object("b")->body);
    EXPECT_EQ(hinge->GetBodyA(), world().object("a")->body);
    // The link still works from the new object.
    run("removeObject('b')");
    EXPECT_TRUE(world().object("c")->destroyTimerRunning);
    EXPECT_EQ(world().world()->GetJointCount(), 0);
    EXPECT_FALSE(boolean("objects.joints.hinge ~= nil"));
}
