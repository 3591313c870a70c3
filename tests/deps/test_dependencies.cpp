#include <box2d/box2d.h>
#include <lua.h>
#include <lauxlib.h>
#include <lualib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

/// Runs chunk and returns tostring of its single result.
std::string eval(lua_State* L, const char* chunk)
{
    int top = lua_gettop(L);
    if (luaL_dostring(L, chunk) != 0) {
        std::string error = lua_tostring(L, -1);
        lua_settop(L, top);
        return "error: " + error;
    }
    lua_getglobal(L, "tostring");
    lua_pushvalue(L, top + 1);
    lua_call(L, 1, 1);
    std::string text = lua_tostring(L, -1);
    lua_settop(L, top);
    return text;
}

class Lua : public ::testing::Test
{
protected:
    void SetUp() override
    {
        L = luaL_newstate();
        luaL_openlibs(L);
    }
    void TearDown() override { lua_close(L); }
    lua_State* L = nullptr;
};

} // namespace

TEST_F(Lua, NumbersAreThirtyTwoBitFloats)
{
    static_assert(sizeof(lua_Number) == sizeof(float), "Lua must be built with float numbers");
    EXPECT_EQ(eval(L, "return 16777217"), "16777216");
    EXPECT_EQ(eval(L, "return 0.1 + 0.2 == 0.3"), "true");
    EXPECT_EQ(eval(L, "return 0.1"), "0.1");
    EXPECT_EQ(eval(L, "return 1/3"), "0.3333333");
    EXPECT_EQ(eval(L, "return 2^40"), "1099511627776");
    EXPECT_EQ(eval(L, "return 1e20"), "1e+20");
    EXPECT_EQ(eval(L, "return -7.5 % 2"), "0.5");
    EXPECT_EQ(eval(L, "return 1/0"), "inf");
    EXPECT_EQ(eval(L, "return tonumber('0x10') + tonumber('  2.5  ')"), "18.5");
    EXPECT_EQ(eval(L, "return string.format('%d %.2f', 7.9, 1.005)"), "7 1.00");
}

TEST_F(Lua, WriteAgreesWithTostring)
{
    char path[] = "/tmp/pelterra-luaXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::string chunk = std::string("local f = io.open('") + path + "', 'w') "
                        "f:write(16777217, ' ', 0.1, ' ', 1/3, ' ', 1e20) f:close() "
                        "return io.open('" + path + "'):read('*a')";
    EXPECT_EQ(eval(L, chunk.c_str()), "16777216 0.1 0.3333333 1e+20");
    std::remove(path);
}

TEST_F(Lua, RandomStaysInRange)
{
    EXPECT_EQ(eval(L, "math.randomseed(42) "
                      "for i = 1, 200000 do "
                      "  local a, b, c = math.random(10), math.random(3, 5), math.random() "
                      "  if a < 1 or a > 10 or b < 3 or b > 5 or c < 0 or c >= 1 then return i end "
                      "end return 'ok'"),
              "ok");
}

TEST_F(Lua, DebugLibraryIsThereButNotOpenedByTheEngine)
{
    // The library is built; the engine's state chooses not to open it.
    EXPECT_EQ(eval(L, "return type(debug)"), "table");
}

namespace {

/// How far a body moving at speed travels in one 1/30 s step of a gravity-free world.
float travelInOneStep(float speed)
{
    b2World world(b2Vec2(0.0f, 0.0f));
    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.bullet = false;
    b2Body* body = world.CreateBody(&def);
    b2CircleShape circle;
    circle.m_radius = 0.5f;
    body->CreateFixture(&circle, 1.0f);
    body->SetLinearVelocity(b2Vec2(speed, 0.0f));
    world.Step(1.0f / 30.0f, 10, 10);
    return body->GetPosition().x;
}

} // namespace

TEST(Box2D, MaximumTranslationIsARunTimeVariable)
{
    EXPECT_FLOAT_EQ(b2_maxTranslation, 2.0f);
    // 150 units/s for 1/30 s would be 5 units: clamped to 2 by default.
    EXPECT_NEAR(travelInOneStep(150.0f), 2.0f, 1e-4f);
    b2SetMaxTranslation(10.0f);
    EXPECT_FLOAT_EQ(b2_maxTranslationSquared, 100.0f);
    EXPECT_NEAR(travelInOneStep(150.0f), 5.0f, 1e-3f);
    b2SetMaxTranslation(2.0f);
    EXPECT_NEAR(travelInOneStep(150.0f), 2.0f, 1e-4f);
}
