#include "hgr/DefaultResourceManager.h"
#include "hgr/ParticleSystem.h"
#include "gr/GraphicsException.h"
#include "io/PropertyParser.h"

#include "Failure.h"
#include "LogCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>

using hgr::ParticleSystem;
using hgr::ValueDomain;

namespace {

/// A shader that only remembers the file it was loaded from.
class StubShader : public gr::Shader
{
public:
    lang::Ptr<gr::Shader> clone() const override { return new StubShader(*this); }
    void setTechnique(const lang::String&) override {}
    bool hasTechnique(const lang::String&) const override { return true; }
    int begin() override { return 1; }
    void beginPass(int) override {}
    void endPass() override {}
    bool isActive() const override { return true; }
};

class NullContext : public gr::Context
{
public:
    int kind() const override { return KIND_GL2; }
    void present() override {}
    void clear(uint32_t, bool, bool, bool) override {}
    void flipFrontFace() override {}

    std::vector<std::string> shadersLoaded;

protected:
    void applyViewport(const int[4]) override {}
    void applyScissor(const int[4]) override {}
    lang::Ptr<gr::Shader> loadShader(const lang::String& path, int) override
    {
        shadersLoaded.push_back(path.c_str());
        lang::Ptr<gr::Shader> shader = new StubShader;
        shader->setFileName(path);
        return shader;
    }
};

/// A valid description, with some keys replaced or added.
std::string description(std::map<std::string, std::string> changes = {})
{
    std::map<std::string, std::string> keys = {
        {"SystemMaxEmissions", "10922"}, {"SystemRate", "CONSTANT 1"}, {"systemstoptime", "NONE"},
        {"systemlifetime", "RANGE 1 2"}, {"emissionmaxparticles", "100"}, {"emissionrate", "constant 10"},
        {"emissionstoptime", "NONE"}, {"emissionlifetime", "CONSTANT 3"}, {"emissionposition", "POINT 0 0 0"},
        {"particlelifetime", "CONSTANT 1"}, {"particlestartvelocity", "SPHERE 0 0 0 1 2"},
        {"particlestartposition", "BOX 0 0 0 1 1 1"}, {"particlestartsize", "CONSTANT 1"},
        {"particleendsize", "CONSTANT 2"}, {"particlestartalpha", "CONSTANT 1"}, {"particleendalpha", "CONSTANT 0"},
        {"particlestartcolor", "POINT 1 1 1"}, {"particleendcolor", "POINT 1 0 0"},
        {"particlespriteelasticity", "CONSTANT 0"}, {"particlespriterotation", "RANGE 0 3"},
        {"particlespritestartrotationspeed", "CONSTANT 1"}, {"particlespriteendrotationspeed", "CONSTANT 0"},
        {"gravity", "-9.8"}, {"wind", "1 0 0"}, {"textureframerate", "10"}, {"textureframes", "16"},
        {"textureanimation", "loop"}, {"textureview", "CAMERAUP"}, {"emissionlimitkill", "OLDEST"},
        {"systemlimitkill", "NONE"}, {"particleupdatealways", "yes"}};
    for (const auto& change : changes)
        keys[change.first] = change.second;
    std::string text = "-- a spark effect\n";
    for (const auto& key : keys)
        if (!key.second.empty())
            text += key.first + " = " + key.second + "\n";
    return text;
}

/// The message of reading and validating text, or "(no exception)".
std::string problem(const std::string& text)
{
    return messageOf<lang::Exception>([&] {
        io::PropertyParser parser;
        parser.parse(lang::String(text), "spark.prt");
        ParticleSystem::Description d;
        d.read(parser, "spark.prt");
        d.validate("spark.prt");
    });
}

} // namespace

TEST(ParticleDescriptions, AValidFileReadsEveryKey)
{
    io::PropertyParser parser;
    parser.parse(lang::String(description()), "spark.prt");
    ParticleSystem::Description d;
    d.read(parser, "spark.prt");
    d.validate("spark.prt");
    EXPECT_EQ(d.systemMaxEmissions, 10922); // the key was written SystemMaxEmissions
    EXPECT_EQ(d.systemRate.type, ValueDomain::CONSTANT);
    EXPECT_EQ(d.particleStartVelocity.type, ValueDomain::SPHERE);
    EXPECT_EQ(d.particleStartVelocity.values[4], 2.0f);
    EXPECT_EQ(d.textureAnimation, ParticleSystem::ANIMATION_LOOP);
    EXPECT_TRUE(d.particleUpdateAlways);
    EXPECT_FALSE(d.particleAlignedToUserNormal);
    EXPECT_EQ(d.particleUserNormal[1], 1.0f);
    EXPECT_EQ(d.wind[0], 1.0f);
}

TEST(ParticleDescriptions, Validation)
{
    EXPECT_EQ(problem(description({{"emissionmaxparticles", "10922"}})),
              "Invalid value in \"spark.prt\": MaxParticles=10922 (out-of-range, max is 10921)");
    EXPECT_EQ(problem(description({{"SystemMaxEmissions", "0"}})),
              "Invalid value in \"spark.prt\": SystemMaxEmissions=0 (out-of-range, max is 10922)");
    EXPECT_EQ(problem(description({{"textureframes", "8"}})),
              "Invalid value in \"spark.prt\": TextureFrames=8 (not square of integer)");
    EXPECT_EQ(problem(description({{"textureframerate", "101"}})),
              "Invalid value in \"spark.prt\": textureFrameRate=101 (out-of-range 0-100)");
    EXPECT_EQ(problem(description({{"particlespriteelasticity", "CONSTANT 0.5"}})),
              "Invalid combination in \"spark.prt\": Sprite rotation and elasticity are mutually exclusive");
    EXPECT_EQ(problem(description({{"particlespriteelasticity", "CONSTANT 0.5"}, {"particlespriterotation", "CONSTANT 0"},
                                   {"particlespritestartrotationspeed", "CONSTANT 0"}})),
              "(no exception)");
    EXPECT_EQ(problem(description({{"particlespriteelasticity", "CONSTANT 0.5"}, {"particlespriterotation", "CONSTANT 0"},
                                   {"particlespritestartrotationspeed", "CONSTANT 0"},
                                   {"particlealignedtousernormal", "true"}})),
              "Invalid combination in \"spark.prt\": particleAlignedToUserNormal and elasticity are mutually exclusive");
    EXPECT_EQ(problem(description({{"particleupdatealways", "on"}})), "Failed to read particle system spark.prt");
    EXPECT_EQ(problem(description({{"textureview", "SIDEWAYS"}})), "Failed to read particle system spark.prt");
}

TEST(ParticleDescriptions, ValueDomains)
{
    EXPECT_EQ(ValueDomain::parse("triangle 1 2 3 4 5 6 7 8 9", "k", "f").values[8], 9.0f);
    EXPECT_EQ(messageOf<lang::Exception>([] { ValueDomain::parse("", "k", "f"); }),
              "Failed to value domain type string from variable k in file f");
    EXPECT_EQ(messageOf<lang::Exception>([] { ValueDomain::parse("CONE 1", "k", "f"); }),
              "Invalid value domain type string in variable k in file f");
    EXPECT_EQ(messageOf<lang::Exception>([] { ValueDomain::parse("RANGE 1", "k", "f"); }),
              "Failed to parse value domain k in file f");
    EXPECT_EQ(messageOf<lang::Exception>([] { ValueDomain::parse("RANGE 1 x", "k", "f"); }),
              "Failed to parse value domain k in file f");
}

TEST(ParticleDescriptions, TheManagerCachesAndRenderingSaysSo)
{
    LogCapture log;
    TempDir dir;
    dir.write("spark.prt", description());
    lang::Ptr<NullContext> context = new NullContext;
    hgr::DefaultResourceManager manager(context.ptr());
    lang::Ptr<ParticleSystem> a = manager.getParticleSystem(lang::String(dir / "spark.prt"), "");
    lang::Ptr<ParticleSystem> b = manager.getParticleSystem(lang::String(dir / "spark.prt"), "");
    EXPECT_EQ(a.ptr(), b.ptr());
    a->render(context.ptr(), 0); // nothing lives: nothing to report
    EXPECT_EQ(log.text().find("not implemented"), std::string::npos);
    a->dump();
    EXPECT_NE(log.text().find("---------------------------------------------------------\n"), std::string::npos);
    EXPECT_EQ(messageOf<gr::GraphicsException>([&] { manager.getCubeTexture("sky.dds"); }), "Cube textures not supported");
    dir.write("bad.prt", description({{"textureframes", "8"}}));
    EXPECT_THROW(manager.getParticleSystem(lang::String(dir / "bad.prt"), ""), lang::Exception);
    EXPECT_THROW(manager.getParticleSystem(lang::String(dir / "bad.prt"), ""), lang::Exception); // nothing cached
}

TEST(ParticleDescriptions, ShadersResolveBesideTheFileOrInTheGivenDirectory)
{
    TempDir dir;
    dir.write("glow.prt", description({{"shadername", "glow-add.fx"}}));
    dir.write("smoke.prt", description({{"shadername", "smoke"}}));
    lang::Ptr<NullContext> context = new NullContext;
    hgr::DefaultResourceManager manager(context.ptr());
    lang::Ptr<ParticleSystem> glow = manager.getParticleSystem(lang::String(dir / "glow.prt"), "");
    lang::Ptr<ParticleSystem> smoke = manager.getParticleSystem(lang::String(dir / "smoke.prt"), "/data/fx");
    ASSERT_TRUE(glow->description().shader);
    ASSERT_TRUE(smoke->description().shader);
    EXPECT_EQ(context->shadersLoaded, (std::vector<std::string>{dir / "glow-add.fx", "/data/fx/smoke.fx"}));
}
