#include "GameFixture.h"

namespace {

// Globals the damage rule reads, and recorders for the two callbacks.
const char* const kRules = "objects.world = {} deadBlocks = {} scoreTable = { blocks = { score = 0 } }\n "
                           "blockTable = { damageFactors = { red = { damageMultiplier = { wood = 2 }, "
                           " velocityMultiplier = { wood = 1 } } } }\n "
                           "hits = {}\n "
                           "function blockCollision(a, b, impact, damageable)\n "
                           "  hits[#hits + 1] = { 'block', a, b, impact, damageable } end\n "
                           "function birdCollision(a, b, impact, damage)\n "
                           "  hits[#hits + 1] = { 'bird', a, b, impact, damage } end\n "
                           "setPhysicsEnabled(true) setLevelLimits(-100, 0, 100, 0)\n";

} // namespace

TEST_F(GameTest, BlockOnBlockDamageAndScore)
{
    start(kRules);
    run("createBox('A', '', 0, 0, 1, 1, 2, 0.5, 0, true, false, 1) "
        "createBox('B', '', 0.95, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "objects.world.A.strength = 1 objects.world.A.defence = 0.5 "
        "setVelocity('A', 3, 0)");
    frame(1.0f / 30);
    ASSERT_TRUE(boolean("#hits >= 1 and hits[1][1] == 'block'"));
    // impact = |2 x (3, 0) - 1 x (0, 0)| x 0.1 = 0.6; A loses 0.6 - 0.5 = 0.1.
    EXPECT_NEAR(number("hits[1][4]"), 0.6f, 1e-5f);
    EXPECT_TRUE(boolean("hits[1][5] == true"));
    EXPECT_NEAR(number("objects.world.A.strength"), 0.9f, 1e-5f);
    EXPECT_EQ(number("scoreTable.blocks.score"), 0.0f); // floor(0.1) x 10
}

TEST_F(GameTest, ProtectedAndDestroyedBlocks)
{
    start(kRules);
    run("createBox('A', '', 0, 0, 1, 1, 2, 0.5, 0, true, false, 1) "
        "createBox('B', '', 0.95, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "objects.world.A.strength = 1 objects.world.A.defence = 1 "
        "objects.world.B.strength = 1 objects.world.B.defence = 2 "
        "setVelocity('A', 3, 0)");
    frame(1.0f / 30);
    EXPECT_TRUE(boolean("hits[1][5] == false"));
    EXPECT_EQ(number("objects.world.A.strength"), 1.0f);

    delete app;
    app = nullptr;
    start(kRules);
    // impact = |2 x (25, 0)| x 0.1 = 5: B with strength 3 is destroyed and counts 3, not 5.
    run("createBox('A', '', 0, 0, 1, 1, 2, 0.5, 0, true, false, 1) "
        "createBox('B', '', 0.95, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "objects.world.B.strength = 3 setVelocity('A', 25, 0)");
    frame(1.0f / 30);
    EXPECT_NEAR(number("hits[1][4]"), 5.0f, 1e-4f);
    EXPECT_TRUE(boolean("deadBlocks.B == objects.world.B"));
    EXPECT_EQ(number("scoreTable.blocks.score"), 30.0f);
}

const char* const kBlocks = "damageFactors = { red = { damageMultiplier = { wood = 2 }, velocityMultiplier = { wood = 1 } } }";

TEST_F(GameTest, BirdHitsWood)
{
    script("blocks.lua", kBlocks);
    start(kRules);
    // A circle bird (only circles join the bird list) of mass 1.
    run("createCircle('bird', '', 0, 0, 0.5, 1 / (math.pi * 0.25), 0.5, 0, true, 1) "
        "objects.world.bird.damageFactors = 'red' "
        "createBox('plank', '', 0.95, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "objects.world.plank.strength = 3 objects.world.plank.material = 'wood' "
        "setVelocity('bird', 20, 0)");
    EXPECT_NEAR(world().object("bird")->body->GetMass(), 1.0f, 1e-5f);
    frame(1.0f / 30);
    // damage = 20 x 1 / 10 x 2 = 4; the plank (3) breaks; k = (4 - 3) / 4 = 0.25.
    ASSERT_TRUE(boolean("hits[1][1] == 'bird' and hits[1][2] == 'bird' and hits[1][3] == 'plank'"));
    EXPECT_NEAR(number("hits[1][4]"), 4.0f, 1e-4f);
    EXPECT_EQ(number("hits[1][5]"), 3.0f);
    EXPECT_TRUE(boolean("deadBlocks.plank ~= nil"));
    const size_t at = log.text().find("Bird bird new velocity is x: ");
    ASSERT_NE(at, std::string::npos) << log.text();
    EXPECT_NEAR(std::stof(log.text().substr(at + 29)), 5.0f, 1e-3f);
}

TEST_F(GameTest, LegacyBirdKeepsItsSpeed)
{
    script("blocks.lua", kBlocks);
    start(kRules);
    run("createBox('bird', '', 0, 0, 1, 1, 1, 0.5, 0, true, true, 1) "
        "objects.world.bird.damageFactors = 'red' objects.world.bird.useLegacyCollisionPath = true "
        "createBox('plank', '', 0.95, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "objects.world.plank.strength = 3 objects.world.plank.material = 'wood' "
        "setVelocity('bird', 20, 0)");
    frame(1.0f / 30);
    // new strength -1: k = min(1, 1 / 1 / 4 x 17.5) = 1, set at once (no pending velocity).
    EXPECT_EQ(number("hits[1][5]"), 3.0f);
    EXPECT_EQ(log.text().find("new velocity"), std::string::npos);
    EXPECT_GT(world().object("bird")->body->GetLinearVelocity().x, 19.0f);
}

TEST_F(GameTest, BirdOnBird)
{
    start(kRules);
    run("createBox('b1', '', 0, 0, 1, 1, 1, 0.5, 0, true, true, 1) "
        "createBox('b2', '', 0.95, 0, 1, 1, 1, 0.5, 0, true, true, 1) "
        "objects.world.b2.strength = 1 setVelocity('b1', 10, 0)");
    frame(1.0f / 30);
    EXPECT_TRUE(boolean("hits[1][1] == 'bird' and hits[1][5] == 0"));
    EXPECT_NEAR(number("hits[1][4]"), 1.0f, 1e-4f); // the faster: 10 x 1 / 10
    EXPECT_EQ(number("objects.world.b2.strength"), 1.0f);
}

TEST_F(GameTest, TheContactFilter)
{
    start(kRules);
    run("createCircle('ghost', '', 0, 0, 0.5, 1, 0.5, 0, false, 999) "
        "createBox('wall', '', 0, 0, 1, 1, 0, 0.5, 0, true, false, 1) objects.world.wall.material = 'immovable' "
        "createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "createBox('shy1', '', 0, 0, 1, 1, 1, 0.5, 0, false, false, 1) "
        "createBox('shy2', '', 0, 0, 1, 1, 1, 0.5, 0, false, false, 1)");
    auto fixture = [&](const char* name) { return world().object(name)->body->GetFixtureList(); };
    EXPECT_FALSE(world().physics().ShouldCollide(fixture("ghost"), fixture("wall")));
    EXPECT_FALSE(world().physics().ShouldCollide(fixture("wall"), fixture("ghost")));
    EXPECT_TRUE(world().physics().ShouldCollide(fixture("ghost"), fixture("crate")));
    EXPECT_FALSE(world().physics().ShouldCollide(fixture("shy1"), fixture("shy2")));
    EXPECT_FALSE(world().physics().ShouldCollide(fixture("shy1"), fixture("crate")));
}

TEST_F(GameTest, AScriptErrorInACollisionLeavesTheWorldUsable)
{
    start("objects.world = {} setPhysicsEnabled(true)\n "
          "function blockCollision() error('bad callback') end");
    run("createBox('A', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1) "
        "createBox('B', '', 0.95, 0, 1, 1, 1, 0.5, 0, true, false, 1)");
    EXPECT_THROW(frame(1.0f / 30), lua::LuaException);
    EXPECT_FALSE(world().world()->IsLocked());
    run("blockCollision = nil createBox('C', '', 5, 0, 1, 1, 1, 0.5, 0, true, false, 1)");
    frame(1.0f / 30);
    EXPECT_NE(world().object("C"), nullptr);
}

namespace {

// A crate resting on a static shelf: they touch in the first step.
const char* const kShelf = "objects.world = {} objects.joints = {} deadBlocks = {} scoreTable = { blocks = { score = 0 } }\n "
                           "setPhysicsEnabled(true) setLevelLimits(-100, 0, 100, 0)\n "
                           "function shelf()\n "
                           "  createBox('shelf', '', 0, 5, 10, 1, 0, 0.5, 0, true, false, 1)\n "
                           "  createBox('crate', '', 0, 3.9, 1, 1, 1, 0.5, 0, true, false, 1)\n "
                           "end\n "
                           "once = true\n "
                           "function blockCollision(a, b)\n "
                           "  if once then once = false change() end\n "
                           "end\n";

} // namespace

// The physics library refuses to change bodies inside its step, where the callbacks run:
// each change waits for the step's end, in order, before removeBlocks.
TEST_F(GameTest, ABlockRemovedInsideBlockCollisionHoldsNothingUp)
{
    start(kShelf);
    run("function change() removeObject('shelf') end shelf()");
    for (int i = 0; i < 30; ++i)
        frame(1.0f / 30);
    EXPECT_EQ(world().object("shelf"), nullptr);
    EXPECT_EQ(world().world()->GetBodyCount(), 1);
    EXPECT_GT(number("objects.world.crate.y"), 6.0f);
}

TEST_F(GameTest, ChangesInsideACallbackTakeEffectAfterTheStepInOrder)
{
    start(kShelf);
    run("function change()\n "
        "  createBox('drop', '', 20, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n "
        "  setPosition('drop', 30, -10) setPosition('crate', -30, -20) setObjectParameter('shelf', 2, 1)\n "
        "  setRotation('crate', 1) createJoint({ type = 3, name = 'keep', end1 = 'shelf', end2 = 'drop' })\n "
        "  createJoint({ type = 3, name = 'gone', end1 = 'shelf', end2 = 'crate' }) destroyJoint('gone')\n "
        "end\n "
        "function removeBlocks() if seen == nil and objects.world.drop then seen = objects.world.drop.x end end\n "
        "shelf()");
    frame(1.0f / 30);
    // Made, then moved, before removeBlocks ran.
    EXPECT_EQ(number("seen"), 30.0f);
    ASSERT_NE(world().object("drop"), nullptr);
    EXPECT_FLOAT_EQ(world().object("drop")->body->GetPosition().x, 30.0f);
    EXPECT_FLOAT_EQ(world().object("crate")->body->GetPosition().x, -30.0f);
    EXPECT_EQ(number("objects.world.crate.x"), -30.0f);
    EXPECT_EQ(world().object("shelf")->body->GetType(), b2_dynamicBody);
    EXPECT_FLOAT_EQ(world().object("crate")->body->GetAngle(), 1.0f);
    EXPECT_EQ(world().world()->GetJointCount(), 1);
    EXPECT_TRUE(boolean("objects.joints.keep ~= nil and objects.joints.gone == nil"));
    for (int i = 0; i < 15; ++i)
        frame(1.0f / 30);
    EXPECT_GT(number("objects.world.drop.y"), -9.0f); // it falls
}

TEST_F(GameTest, RemovedDuringAStepTakesNoFurtherPartInItsContacts)
{
    // Two crates hit the shelf in one step; the first hit removes the shelf, so the
    // second reports nothing and the shelf's strength is never lowered again.
    start(kShelf);
    run("hits = 0 function blockCollision(a, b) hits = hits + 1 removeObject('shelf') end "
        "shelf() createBox('crate2', '', 3, 3.9, 1, 1, 1, 0.5, 0, true, false, 1) "
        "objects.world.shelf.strength = 100");
    frame(1.0f / 30);
    EXPECT_EQ(number("hits"), 1.0f);
    EXPECT_EQ(world().object("shelf"), nullptr);
}

TEST_F(GameTest, ALevelLoadedInsideACallbackEmptiesTheWorldAfterTheStep)
{
    start(kShelf);
    run("function change() loadLevel('none') createBox('fresh', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1) end "
        "shelf()");
    frame(1.0f / 30);
    EXPECT_EQ(world().object("shelf"), nullptr);
    EXPECT_EQ(world().object("crate"), nullptr);
    EXPECT_NE(world().object("fresh"), nullptr);
    EXPECT_EQ(world().world()->GetBodyCount(), 1);
}

TEST_F(GameTest, ChangesAskedForBeforeACallbackFailsAreStillMade)
{
    start(kShelf);
    run("function change() removeObject('shelf') error('after the removal') end shelf()");
    EXPECT_THROW(frame(1.0f / 30), lua::LuaException);
    EXPECT_EQ(world().object("shelf"), nullptr);
    EXPECT_EQ(world().world()->GetBodyCount(), 1);
}
