#include "GameFixture.h"
#include "Failure.h"

#include "lua/LuaException.h"

#include <cmath>

using lua::LuaException;

namespace {

const char* const kScene = "objects.world = {}\n"
                           "setPhysicsEnabled(true)\n";

} // namespace

TEST_F(GameTest, FixedStepsAndInterpolation)
{
    start(kScene);
    run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)");
    // dt 0.1 from empty: two steps, not three (0.033333328 stays, just below one step of
    // 0.033333335), and a snapshot after each, so the slot toggles twice.
    const int slot = world().interpolationSlot();
    frame(0.1f);
    EXPECT_EQ(world().accumulator(), 0.033333328f);
    EXPECT_NEAR(world().accumulator() / game::GameLua::STEP, 0.9999998f, 1e-7f);
    EXPECT_EQ(world().interpolationSlot(), slot);
    frame(1.0f / 30); // one more step, one more snapshot
    EXPECT_EQ(world().interpolationSlot(), slot ^ 1);

    delete app;
    app = nullptr;
    start(kScene);
    frame(1.0f / 30.0f);
    EXPECT_EQ(world().accumulator(), 0.0f);

    // What the scripts profile their physics with: the frame's steps and their wall time.
    run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)");
    frame(0.1f);
    EXPECT_EQ(number("select(2, getPhysicsTime())"), 2.0f);
    EXPECT_GT(number("getPhysicsTime()"), 0.0f);
    frame(0.001f); // what 0.1 left tips over into one more
    EXPECT_EQ(number("select(2, getPhysicsTime())"), 1.0f);
    frame(0.001f);
    EXPECT_EQ(number("select(2, getPhysicsTime())"), 0.0f);
    EXPECT_EQ(number("getPhysicsTime()"), 0.0f);
}

TEST_F(GameTest, AnglesWrapTheShortWay)
{
    EXPECT_NEAR(game::GameLua::interpolateAngle(6.2f, 0.1f, 0.5f), 0.0084f, 1e-3f);
    EXPECT_NEAR(game::GameLua::interpolateAngle(0.1f, 0.3f, 0.5f), 0.2f, 1e-6f);
    start(kScene);
    run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2) setRotation('crate', -1)");
    EXPECT_NEAR(number("objects.world.crate.angle"), 6.2831853f - 1, 1e-5f);
    EXPECT_NEAR(number("getAngle('crate')"), 6.2831853f - 1, 1e-5f);
}

TEST_F(GameTest, StaticBodiesNeverMoveOrFreeze)
{
    start(kScene);
    run("createBox('ground', '', 5, 30, 10, 1, 0, 0.5, 0.1, true, false, 1)"
        "setVelocity('ground', 10, 0)");
    for (int i = 0; i < 5; ++i)
        frame(1.0f / 30);
    EXPECT_FALSE(boolean("objects.world.ground.frozen == true"));
    EXPECT_FALSE(boolean("hasMovingObjects"));
    EXPECT_FLOAT_EQ(number("objects.world.ground.x"), 5.0f);
    EXPECT_FLOAT_EQ(world().object("ground")->body->GetLinearVelocity().x, 0.0f);
}

TEST_F(GameTest, LevelLimitsFreezeBodies)
{
    start(kScene);
    // Limits never set: both 0, so every awake dynamic body with x != 0 freezes.
    run("createBox('left', '', -3, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)"
        "createBox('centre', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)");
    frame(1.0f / 30);
    EXPECT_TRUE(boolean("objects.world.left.frozen"));
    EXPECT_FALSE(boolean("objects.world.centre.frozen == true"));
    run("setLevelLimits(-10, 0, 10, 0)"
        "createBox('inside', '', -3, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)");
    frame(1.0f / 30);
    EXPECT_FALSE(boolean("objects.world.inside.frozen == true"));
}

TEST_F(GameTest, CreationFlagsAndMaterials)
{
    start(kScene);
    run("createCircle('a', '', 0, 0, 1, 1, 0.5, 0.1, false, 999)"
        "createCircle('b', '', 3, 0, 1, 1, 0.5, 0.1, false, 999.5)"
        "createCircle('c', '', 6, 0, 1, 1, 0.5, 0.1, true, 998.9)");
    EXPECT_TRUE(world().object("a")->immovableCheck);
    EXPECT_TRUE(world().object("b")->immovableCheck);
    EXPECT_FALSE(world().object("c")->immovableCheck);
    EXPECT_TRUE(world().object("c")->bird);
    EXPECT_FLOAT_EQ(world().object("c")->body->GetAngularDamping(), 2.0f);
    EXPECT_FLOAT_EQ(world().object("a")->rollingFactor, 1.0f);
    run("setMaterial('a', 'rock') setMaterial('a', 'Wood')");
    EXPECT_EQ(world().object("a")->material, game::MATERIAL_ROCK);
    EXPECT_EQ(std::string(world().object("a")->table.getString("type").c_str()), "circle");
    EXPECT_NEAR(number("objects.world.a.mass"), 3.14159f, 1e-3f);

    run("createBox('box', '', 0, 5, 2, 1, 1, 0.5, 0.1, true, false, 2)");
    b2Fixture* fixture = world().object("box")->body->GetFixtureList();
    EXPECT_FLOAT_EQ(fixture->GetShape()->m_radius, 0.1f); // the polygon skin
    EXPECT_EQ(fixture->GetFilterData().categoryBits, 0x0001);
}

TEST_F(GameTest, PolygonsAndTheirRefusals)
{
    start(kScene);
    run("clearVertices() addVertex(0, 0) addVertex(2, 0) addVertex(0, 2)"
        "createPolygon('tri', '', 1, 1, 2, 2, 1, 0.5, 0.1, true, false, 2)");
    EXPECT_NE(world().object("tri"), nullptr);
    EXPECT_THROW(run("clearVertices() addVertex(0, 0) addVertex(1, 0)"
                     "createPolygon('two', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)"),
                 LuaException);
    EXPECT_THROW(run("clearVertices() for i = 1, 9 do addVertex(math.cos(i), math.sin(i)) end "
                     "createPolygon('nine', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)"),
                 LuaException);
    EXPECT_THROW(run("clearVertices() addVertex(0, 0) addVertex(1, 1) addVertex(2, 2)"
                     "createPolygon('flat', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)"),
                 LuaException);
    try {
        run("createBox('thin', '', 0, 0, 0, 1, 1, 0.5, 0.1, true, false, 2)");
        FAIL();
    } catch (const LuaException& e) {
        EXPECT_EQ(e.getMessage().str().rfind("Object thin: width must be greater than 0, not 0", 0), 0u);
    }
    EXPECT_THROW(run("createCircle('nan', '', 0/0, 0, 1, 1, 0.5, 0.1, false, 1)"), LuaException);
    EXPECT_THROW(run("createCircle('r', '', 0, 0, -1, 1, 0.5, 0.1, false, 1)"), LuaException);
    EXPECT_EQ(world().world()->GetBodyCount(), 1);
}

TEST_F(GameTest, ANameUsedAgainReplacesTheObject)
{
    start(kScene);
    run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)"
        "createCircle('crate', '', 5, 0, 1, 1, 0.5, 0.1, true, 2)");
    EXPECT_EQ(world().world()->GetBodyCount(), 1);
    EXPECT_EQ(std::string(world().object("crate")->table.getString("type").c_str()), "circle");
    run("removeObject('crate') removeObject('crate')");
    EXPECT_EQ(world().world()->GetBodyCount(), 0);
    EXPECT_EQ(world().object("crate"), nullptr);
}

TEST_F(GameTest, UnknownNamesDoNothing)
{
    start(kScene);
    log.clear();
    run("applyImpulse('x', 1, 1, 0, 0) setVelocity('x', 1, 1) setPosition('x', 1, 1) setRotation('x', 1)"
        "setSleeping('x', true) setMaterial('x', 'rock') setObjectParameter('x', 1, 1)");
    EXPECT_EQ(number("getAngle('x')"), 0.0f);
    run("__x, __y = getWorldPoint('x', 3, 4)");
    EXPECT_EQ(world().getNumber("__x"), 3.0f);
    EXPECT_EQ(world().getNumber("__y"), 4.0f);
    EXPECT_NE(log.text().find("setPosition: no object named x\n"), std::string::npos);
}

TEST_F(GameTest, ManipulationNatives)
{
    start(kScene);
    run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)"
        "setPosition('crate', 3, 4) setRotation('crate', 1.5707964)");
    EXPECT_FLOAT_EQ(number("objects.world.crate.x"), 3.0f);
    run("__x, __y = getWorldPoint('crate', 1, 0)");
    EXPECT_NEAR(world().getNumber("__x"), 3.0f, 1e-5f);
    EXPECT_NEAR(world().getNumber("__y"), 5.0f, 1e-5f);
    run("setSleeping('crate', true)");
    EXPECT_FALSE(world().object("crate")->body->IsAwake());
    run("setSleeping('crate', false) setObjectParameter('crate', 2, 0) setObjectParameter('crate', 1, 1)");
    EXPECT_EQ(world().object("crate")->body->GetType(), b2_staticBody);
    EXPECT_TRUE(world().object("crate")->draw);
    run("setMaxTranslation(5)");
    EXPECT_FLOAT_EQ(b2_maxTranslation, 5.0f);
    b2SetMaxTranslation(2.0f);
}

TEST_F(GameTest, RollingCirclesSetTheirMaterialsVolume)
{
    start(kScene);
    run("createCircle('wheel', '', 0, 0, 2, 1, 0.5, 0.1, false, 3) setMaterial('wheel', 'rock')"
        "setAngularVelocity('wheel', 10)");
    frame(1.0f / 30);
    // mass x radius x |w| / 400, capped at 1: 4 pi x 2 x ~10 / 400.
    const float w = std::fabs(world().object("wheel")->body->GetAngularVelocity());
    EXPECT_NEAR(world().rollingVolume(game::MATERIAL_ROCK), 4 * 3.14159f * 2 * w / 400, 1e-3f);
    EXPECT_EQ(world().rollingVolume(game::MATERIAL_WOOD), 0.0f);
}

TEST_F(GameTest, PolygonsThePhysicsWouldWeldAreRefused)
{
    start(kScene);
    // (1, 0) and (1, 0.001) are closer than the library's weld distance: two points left.
    try {
        run("clearVertices() addVertex(0, 0) addVertex(1, 0) addVertex(1, 0.001) "
            "createPolygon('sliver', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2)");
        FAIL();
    } catch (const LuaException& e) {
        EXPECT_EQ(e.getMessage().str().rfind("Object sliver: the polygon of 3 vertices has no area", 0), 0u);
    }
    EXPECT_EQ(world().world()->GetBodyCount(), 0);
}

TEST_F(GameTest, MaxTranslationMustBeAFiniteNumberAboveZero)
{
    start(kScene);
    for (const char* bad : {"0", "-1", "0/0", "math.huge"})
        EXPECT_EQ(messageOf<LuaException>([&] { run(std::string("setMaxTranslation(") + bad + ")"); })
                      .rfind("setMaxTranslation: the distance must be a finite number greater than 0", 0),
                  0u)
            << bad;
    EXPECT_FLOAT_EQ(b2_maxTranslation, 2.0f);
}

TEST_F(GameTest, NativesInsideCoroutines)
{
    start(kScene);
    run("createBox('crate', '', 3, 4, 1, 1, 1, 0.5, 0.1, true, false, 2) "
        "__ok, __message = coroutine.resume(coroutine.create(function() getAngle(5) end)) "
        "__co = coroutine.create(function(a, b) return getWorldPoint('crate', a, b) end) "
        "__ok2, __x, __y = coroutine.resume(__co, 1, 0)");
    EXPECT_FALSE(world().getBoolean("__ok"));
    EXPECT_EQ(world().getString("__message").str().rfind("getAngle: Excepted type STRING at stack position 1 but found NUMBER", 0),
              0u)
        << world().getString("__message");
    EXPECT_TRUE(world().getBoolean("__ok2"));
    EXPECT_FLOAT_EQ(world().getNumber("__x"), 4.0f);
    EXPECT_FLOAT_EQ(world().getNumber("__y"), 4.0f);
    // Natives that run scripts of their own, and callbacks into the scripts, from a coroutine.
    run("function removeBlocks() __removed = (__removed or 0) + 1 end "
        "coroutine.wrap(function() loadLevel('none') setPhysicsEnabled(true) end)()");
    EXPECT_NE(log.text().find("Unable to load level.\n"), std::string::npos);
    frame(1.0f / 30);
    EXPECT_EQ(world().getNumber("__removed"), 1.0f);
}

TEST_F(GameTest, ASleepingBodyIsDrawnWhereItRests)
{
    start(kScene);
    run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2) setVelocity('crate', 12, 0)");
    // Half a step left over: what is drawn lies between the last two snapshots, behind the body.
    frame(0.05f);
    frame(0.05f);
    const game::RenderObjectData* crate = world().object("crate");
    ASSERT_NE(world().accumulator(), 0.0f);
    ASSERT_LT(crate->x, crate->body->GetPosition().x);
    // Put to sleep in flight, it stops where its body is, and is drawn there from the next
    // frame on, however many steps it sleeps.
    run("setSleeping('crate', true)");
    const b2Vec2 rest = crate->body->GetPosition();
    for (int i = 0; i < 3; ++i) {
        frame(0.05f);
        EXPECT_EQ(crate->x, rest.x) << "frame " << i;
        EXPECT_EQ(crate->y, rest.y) << "frame " << i;
        EXPECT_FLOAT_EQ(number("objects.world.crate.x"), rest.x);
    }
}

TEST_F(GameTest, AWokenBodyInterpolatesFromWhereItRested)
{
    start(kScene);
    // Sliding right, then asleep in mid air for an odd and then an even number of steps:
    // either way the older snapshot is where it rested when it wakes.
    for (int sleptSteps : {3, 4}) {
        run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0.1, true, false, 2) setVelocity('crate', 12, 0)");
        for (int i = 0; i < 4; ++i)
            frame(1.0f / 30);
        run("setSleeping('crate', true)");
        const game::RenderObjectData* crate = world().object("crate");
        const b2Vec2 rest = crate->body->GetPosition();
        for (int i = 0; i < sleptSteps; ++i)
            frame(1.0f / 30);
        // Woken without a velocity: it only falls, so every interpolated x is the rest's x,
        // and y moves down from the rest, never up past it (to within rounding: a snapshot
        // one step older lies 0.4 to the left).
        run("setSleeping('crate', false)");
        for (int i = 0; i < 3; ++i) {
            frame(0.02f);
            EXPECT_NEAR(crate->x, rest.x, 1e-5f) << sleptSteps << " steps asleep, frame " << i;
            EXPECT_GE(crate->y, rest.y - 1e-5f) << sleptSteps << " steps asleep, frame " << i;
            EXPECT_LE(crate->y, crate->body->GetPosition().y) << sleptSteps << " steps asleep, frame " << i;
        }
        EXPECT_GT(crate->y, rest.y);
    }
}

TEST_F(GameTest, BodiesWokenByOthersAreDrawnMoving)
{
    // A crate at rest on the ground is woken by a ball landing on it through the physics
    // step alone: what is drawn of it follows its body.
    start(kScene);
    run("createBox('ground', '', 0, 5, 40, 1, 0, 0.5, 0, true, false, 0)"
        "createBox('crate', '', 0, 4, 1, 1, 1, 0.5, 0, true, false, 0)");
    const game::RenderObjectData* crate = world().object("crate");
    for (int i = 0; i < 300 && crate->body->IsAwake(); ++i)
        frame(1.0f / 30);
    ASSERT_FALSE(crate->body->IsAwake());
    const float restX = crate->x;
    run("createCircle('ball', '', 0.4, -2, 0.5, 5, 0.5, 0, false, 0) setVelocity('ball', 0, 20)");
    bool moved = false;
    for (int i = 0; i < 30; ++i) {
        frame(1.0f / 30);
        if (crate->body->IsAwake()) {
            EXPECT_NEAR(crate->x, crate->body->GetPosition().x, 0.2f) << "frame " << i;
        }
        moved = moved || crate->x != restX;
    }
    EXPECT_TRUE(moved);
}
