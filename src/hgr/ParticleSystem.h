#pragma once

#include "gr/Context.h"
#include "gr/Texture.h"
#include "lang/Array.h"
#include "lang/Object.h"
#include "lang/Ptr.h"
#include "lang/String.h"

namespace io {
class PropertyParser;
}

namespace hgr {

/// A value domain: a distribution type and up to nine numbers.
struct ValueDomain
{
    enum Type { NONE, CONSTANT, RANGE, POINT, SPHERE, LINE, BOX, CYLINDER, DISK, RECTANGLE, TRIANGLE, POINT_2D,
                CIRCLE_2D, LINE_2D, BOX_2D, RECTANGLE_2D, TRIANGLE_2D };
    Type type = NONE;
    float values[9] = {};

    /// How many numbers a type takes.
    static int valueCount(Type type);
    /// Parses "TYPE n1 n2 ..." for key of file; throws lang::Exception with the messages
    /// of the particle descriptions.
    static ValueDomain parse(const lang::String& text, const lang::String& key, const lang::String& file);
};

/// A particle system of the scene layer. On this platform its description is read and
/// checked in full, but nothing simulates or draws it.
class ParticleSystem : public lang::Object
{
public:
    enum AnimationType { ANIMATION_LOOP, ANIMATION_LIFE, ANIMATION_RANDOM, ANIMATION_INVALID };
    enum ViewType { VIEW_CAMERAUP, VIEW_WORLDUP, VIEW_INVALID };
    enum KillType { KILL_NONE, KILL_OLDEST, KILL_RANDOM, KILL_INVALID };

    /// The parsed and validated values of a particle system file.
    struct Description
    {
        int systemMaxEmissions = 0;
        ValueDomain systemRate, systemStopTime, systemLifeTime;
        int emissionMaxParticles = 0;
        ValueDomain emissionRate, emissionStopTime, emissionLifeTime, emissionPosition;
        bool particleAlignedToUserNormal = false;
        float particleUserNormal[3] = {0, 1, 0};
        ValueDomain particleLifeTime, particleStartVelocity, particleStartPosition, particleStartSize,
            particleEndSize, particleStartAlpha, particleEndAlpha, particleStartColor, particleEndColor,
            particleSpriteElasticity, particleSpriteRotation, particleSpriteStartRotationSpeed,
            particleSpriteEndRotationSpeed;
        float gravity = 0;
        float wind[3] = {0, 0, 0};
        float textureFrameRate = 0;
        int textureFrames = 0;
        AnimationType textureAnimation = ANIMATION_INVALID;
        ViewType textureView = VIEW_INVALID;
        KillType emissionLimitKill = KILL_INVALID;
        KillType systemLimitKill = KILL_INVALID;
        bool particleUpdateAlways = false;
        lang::String textureName;
        lang::String shaderName;
        lang::Ptr<gr::Texture> texture;
        lang::Ptr<gr::Shader> shader;

        /// Reads every key from parser; throws "Failed to read particle system {0}".
        void read(const io::PropertyParser& parser, const lang::String& file);
        /// Checks the values; throws lang::Exception with the first fault found.
        void validate(const lang::String& file) const;
    };

    explicit ParticleSystem(const Description& description) : m_description(description) {}

    const Description& description() const { return m_description; }
    lang::Ptr<ParticleSystem> clone() const { return new ParticleSystem(m_description); }
    /// Particles alive now; nothing emits on this platform.
    int liveParticles() const { return 0; }
    /// Writes the description to the debug output.
    void dump() const;
    /// Nothing to draw here: writes that to the debug output when particles of the priority live.
    void render(gr::Context* context, int priority) const;
    /// The priority of the system's shader; effect shaders arrive with their layer.
    int priority() const { return 0; }

private:
    Description m_description;
};

} // namespace hgr
