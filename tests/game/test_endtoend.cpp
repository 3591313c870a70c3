#include "HttpPeer.h"
#include "TempDir.h"

#include "game/CipherKeys.h"
#include "lang/BlockCipher.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <sstream>
#include <vector>

namespace {

void enciphered(const TempDir& dir, const std::string& name, const std::string& text)
{
    lang::String cipher = lang::BlockCipher::encipher(game::scriptKey(), text.data(), static_cast<int>(text.size()));
    dir.write(name, cipher.str());
}

/// The same world built straight on the physics library, stepped as the engine steps it.
std::string directRun(int steps)
{
    b2World world(b2Vec2(0, 20));
    world.SetAllowSleeping(true);
    auto body = [&](float x, float y, float density, const b2Shape& shape, float friction, float restitution) {
        b2BodyDef def;
        def.type = density != 0 ? b2_dynamicBody : b2_staticBody;
        def.position.Set(x, y);
        def.angularDamping = 1.0f;
        b2Body* b = world.CreateBody(&def);
        b2FixtureDef fixture;
        fixture.shape = &shape;
        fixture.density = density;
        fixture.friction = friction;
        fixture.restitution = restitution;
        b->CreateFixture(&fixture);
        return b;
    };
    b2PolygonShape ground;
    ground.SetAsBox(20, 0.5f);
    ground.m_radius = 0.1f;
    body(0, 10, 0, ground, 0.8f, 0.1f);
    std::vector<b2Body*> crates;
    for (int i = 0; i < 3; ++i) {
        b2PolygonShape box;
        box.SetAsBox(0.5f, 0.5f);
        box.m_radius = 0.1f;
        crates.push_back(body(i * 0.3f, 8 - i * 1.5f, 1, box, 0.6f, 0.1f));
    }
    b2CircleShape ball;
    ball.m_radius = 0.5f;
    b2Body* b = body(-5, 0, 3, ball, 0.5f, 0.3f);
    for (int i = 0; i < steps; ++i) {
        world.Step(1.0f / 30.0f, 10, 10);
        world.ClearForces();
    }
    std::ostringstream out;
    char line[128];
    for (int i = 0; i < 3; ++i) {
        std::snprintf(line, sizeof(line), "crate%d %.4f %.4f\n", i, crates[i]->GetPosition().x, crates[i]->GetPosition().y);
        out << line;
    }
    std::snprintf(line, sizeof(line), "ball %.4f %.4f\n", b->GetPosition().x, b->GetPosition().y);
    out << line;
    return out.str();
}

} // namespace

TEST(EndToEnd, TheEngineRunsAWorldLikeThePhysicsLibrary)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run through ./test.sh (xvfb-run)";
    TempDir dir;
    dir.write("config.lua", "name = 'e2e' width = 160 height = 120 datapath = 'data/' scriptPath = 'scripts'");
    std::system(("mkdir -p '" + dir.path() + "/data/scripts'").c_str());
    for (const char* name : {"starLimits.lua", "loadlist.lua", "blocks.lua"})
        enciphered(dir, std::string("data/scripts/") + name, "");
    enciphered(dir, "data/scripts/gamelogic.lua",
               "steps = 0\n"
               "function createStartUpAssets()\n"
               "  objects.world = {}\n"
               "  createBox('ground', '', 0, 10, 40, 1, 0, 0.8, 0.1, true, false, 1)\n"
               "  for i = 0, 2 do createBox('crate' .. i, '', i * 0.3, 8 - i * 1.5, 1, 1, 1, 0.6, 0.1, true, false, 2) end\n"
               "  createCircle('ball', '', -5, 0, 0.5, 3, 0.5, 0.3, false, 3)\n"
               "  setPhysicsEnabled(true)\n"
               "end\n"
               "function removeBlocks()\n"
               "  steps = steps + 1\n"
               "  if steps == 60 then\n"
               "    for _, name in ipairs({ 'crate0', 'crate1', 'crate2', 'ball' }) do\n"
               "      local x, y = getWorldPoint(name, 0, 0)\n"
               "      print(string.format('%s %.4f %.4f', name, x, y))\n"
               "    end\n"
               "    requestExit()\n"
               "  end\n"
               "end\n"
               "function update(dt) end\n");
    const std::string command = "timeout 60 '" PELTERRA_EXECUTABLE "' '" + (dir / "config.lua") + "' 2>'" + (dir / "err.txt") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << dir.read("err.txt");
    // The printed lines, in order, from the engine's diagnostics.
    std::istringstream err(dir.read("err.txt"));
    std::string line, printed;
    while (std::getline(err, line))
        if (line.rfind("crate", 0) == 0 || line.rfind("ball ", 0) == 0)
            printed += line + "\n";
    EXPECT_EQ(printed, directRun(60));
}

namespace {

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

} // namespace

TEST(EndToEnd, AShotIntoATowerFollowsTheDamageRule)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run through ./test.sh (xvfb-run)";
    TempDir dir;
    dir.write("config.lua", "name = 'shot' width = 160 height = 120 datapath = 'data/' scriptPath = 'scripts'");
    std::system(("mkdir -p '" + dir.path() + "/data/scripts'").c_str());
    for (const char* name : {"starLimits.lua", "loadlist.lua"})
        enciphered(dir, std::string("data/scripts/") + name, "");
    enciphered(dir, "data/scripts/blocks.lua", "damageFactors = { red = { damageMultiplier = { wood = 1.5 } } }");
    enciphered(dir, "data/scripts/gamelogic.lua",
               "steps = 0 known = {} defence = {}\n"
               "function createStartUpAssets()\n"
               "  objects.world = {} deadBlocks = {} scoreTable = { blocks = { score = 0 } }\n"
               "  setLevelLimits(-100, 0, 100, 0)\n"
               "  createBox('ground', '', 0, 10, 60, 1, 0, 0.8, 0.1, true, false, 1)\n"
               "  for i = 0, 3 do\n"
               "    local name = 'block' .. i\n"
               "    createBox(name, '', 8, 9 - i * 1.02, 1, 1, 1, 0.6, 0.1, true, false, 2)\n"
               "    objects.world[name].strength = 2 + i objects.world[name].material = 'wood'\n"
               "    known[name] = 2 + i defence[name] = 0\n"
               "  end\n"
               "  objects.world.block1.defence = 0.5 defence.block1 = 0.5\n"
               "  createCircle('bird', '', 0, 6, 0.5, 1, 0.5, 0.2, true, 3)\n"
               "  objects.world.bird.damageFactors = 'red'\n"
               "  applyImpulse('bird', 25, -4, 0, 6)\n"
               "  setPhysicsEnabled(true)\n"
               "end\n"
               "local function d(name) return defence[name] or 0 end\n"
               "local function k(name) return known[name] or -1 end\n"
               "local function s(name) return objects.world[name].strength or -1 end\n"
               "function blockCollision(a, b, impact, damageable)\n"
               "  print(string.format('block %s %s %.6f %.6f %.6f %.6f %.6f %.6f %.6f', a, b, impact,\n"
               "    k(a), s(a), d(a), k(b), s(b), d(b)))\n"
               "  if known[a] then known[a] = s(a) end if known[b] then known[b] = s(b) end\n"
               "end\n"
               "function birdCollision(bird, o, damage, reported)\n"
               "  print(string.format('bird %s %s %.6f %.6f %.6f %.6f %.6f', bird, o, damage, reported, k(o), s(o), d(o)))\n"
               "  if known[o] then known[o] = s(o) end\n"
               "end\n"
               "function removeBlocks()\n"
               "  for name in pairs(deadBlocks) do print('removed ' .. name) removeObject(name) known[name] = nil end\n"
               "  deadBlocks = {}\n"
               "  steps = steps + 1\n"
               "  if steps == 90 then print('score ' .. scoreTable.blocks.score) requestExit() end\n"
               "end\n"
               "function update(dt) end\n");
    const std::string command =
        "timeout 60 '" PELTERRA_EXECUTABLE "' '" + (dir / "config.lua") + "' 2>'" + (dir / "err.txt") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << dir.read("err.txt");

    std::istringstream err(dir.read("err.txt"));
    std::string line;
    double expectedScore = 0, score = -1;
    int blockHits = 0, birdHits = 0, removed = 0;
    while (std::getline(err, line)) {
        const std::vector<std::string> w = words(line);
        if (w.empty())
            continue;
        if (w[0] == "block" && w.size() == 10) {
            ++blockHits;
            const double impact = std::stod(w[3]);
            double total = 0;
            for (int side = 0; side < 2; ++side) {
                const double before = std::stod(w[4 + side * 3]), after = std::stod(w[5 + side * 3]),
                             defence = std::stod(w[6 + side * 3]);
                if (before == -1)
                    continue; // no strength: never damaged
                if (defence > impact) {
                    EXPECT_NEAR(after, before, 1e-5) << line;
                    continue;
                }
                EXPECT_NEAR(after, before - (impact - defence), 1e-4) << line;
                total += after <= 0 ? before : impact - defence;
            }
            if (total > 0)
                expectedScore += std::floor(total + 1e-9) * 10;
        } else if (w[0] == "bird" && w.size() == 8) {
            ++birdHits;
            const double damage = std::stod(w[3]), reported = std::stod(w[4]), before = std::stod(w[5]),
                         after = std::stod(w[6]), defence = std::stod(w[7]);
            if (before == -1)
                continue;
            const double r = damage - defence;
            if (r <= 0) {
                EXPECT_NEAR(after, before, 1e-5) << line;
                EXPECT_EQ(reported, std::floor(r)) << line;
            } else if (before - r <= 0) {
                EXPECT_NEAR(after, before - r, 1e-4) << line;
                EXPECT_EQ(reported, std::floor(before)) << line;
            } else {
                EXPECT_NEAR(after, before - r, 1e-4) << line;
                EXPECT_EQ(reported, std::floor(r)) << line;
            }
        } else if (w[0] == "removed") {
            ++removed;
        } else if (w[0] == "score" && w.size() == 2) {
            score = std::stod(w[1]);
        }
    }
    EXPECT_GT(birdHits, 0) << dir.read("err.txt");
    EXPECT_GT(blockHits, 0);
    EXPECT_GT(removed, 0);
    EXPECT_EQ(score, expectedScore);
}

TEST(EndToEnd, TheVersionCheckAnswersOnTheMainThread)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run through ./test.sh (xvfb-run)";
    HttpPeer peer("HTTP/1.1 200 OK\r\nContent-Length: 43\r\n\r\nstatus=ok&latest=9.9&url=http://get.example");
    if (!peer.ready())
        GTEST_SKIP() << "cannot listen on 127.0.0.1:80 here";
    TempDir dir;
    dir.write("config.lua", "name = 'check' width = 160 height = 120 datapath = 'data/' scriptPath = 'scripts' "
                            "versionCheckUrl = 'http://127.0.0.1/version?'");
    std::system(("mkdir -p '" + dir.path() + "/data/scripts'").c_str());
    for (const char* name : {"starLimits.lua", "loadlist.lua", "blocks.lua"})
        enciphered(dir, std::string("data/scripts/") + name, "");
    enciphered(dir, "data/scripts/gamelogic.lua",
               "gameVersionNumber = '1.5'\n"
               "function createStartUpAssets() requestLatestVersionNumber() end\n"
               "frames = 0\n"
               "function latestVersionNumberReceived(latest, url) print('latest ' .. latest .. ' ' .. url) end\n"
               "function update(dt) frames = frames + 1 if frames > 300 then requestExit() end end\n");
    const std::string command =
        "timeout 60 '" PELTERRA_EXECUTABLE "' '" + (dir / "config.lua") + "' 2>'" + (dir / "err.txt") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string err = dir.read("err.txt");
    EXPECT_NE(err.find("latest 9.9 http://get.example\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("latest 9.9"), err.rfind("latest 9.9")); // once
    EXPECT_EQ(peer.request().rfind("GET /version?version=1.5&debugVersion=2.0.0 HTTP/1.1\r\n", 0), 0u);
}
