#include "hgr/ParticleSystem.h"

#include "io/PropertyParser.h"
#include "lang/Array.h"
#include "lang/Debug.h"
#include "lang/Exception.h"

#include <cmath>
#include <cstdlib>

using lang::Format;
using lang::String;

namespace hgr {

namespace {

const char* const kDomainNames[] = {"NONE", "CONSTANT", "RANGE", "POINT", "SPHERE", "LINE", "BOX", "CYLINDER",
                                    "DISK", "RECTANGLE", "TRIANGLE", "POINT_2D", "CIRCLE_2D", "LINE_2D", "BOX_2D",
                                    "RECTANGLE_2D", "TRIANGLE_2D"};
const int kDomainCounts[] = {0, 1, 2, 3, 5, 6, 6, 8, 8, 9, 9, 2, 4, 4, 4, 6, 6};

/// Whitespace-separated words of a text.
lang::Array<String> words(const String& text)
{
    lang::Array<String> out;
    int i = 0;
    while (i < text.length()) {
        while (i < text.length() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        const int begin = i;
        while (i < text.length() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > begin)
            out.add(text.substring(begin, i));
    }
    return out;
}

String valueOf(const io::PropertyParser& parser, const char* key)
{
    String value;
    parser.getString(key, value);
    return value;
}

ValueDomain domain(const io::PropertyParser& parser, const char* key, const String& file)
{
    return ValueDomain::parse(valueOf(parser, key), key, file);
}

void vector3(const io::PropertyParser& parser, const char* key, const String& file, float out[3], bool optional)
{
    String text;
    if (!parser.getString(key, text) && optional)
        return;
    lang::Array<String> parts = words(text);
    double values[3];
    if (parts.size() != 3 || !io::PropertyParser::parseNumber(parts[0], &values[0]) ||
        !io::PropertyParser::parseNumber(parts[1], &values[1]) || !io::PropertyParser::parseNumber(parts[2], &values[2]))
        throw lang::Exception(Format("Failed to parse 3-vector {0} in file {1}", key, file));
    for (int i = 0; i < 3; ++i)
        out[i] = static_cast<float>(values[i]);
}

template <class E>
E enumeration(const io::PropertyParser& parser, const char* key, const String& file, const char* kind,
              std::initializer_list<const char*> names)
{
    String text;
    parser.getString(key, text);
    const String word = text.trim().toUpperCase();
    int index = 0;
    for (const char* name : names) {
        if (word == name)
            return static_cast<E>(index);
        ++index;
    }
    throw lang::Exception(Format(String("Failed to read ") + kind + " {0} from {1}", text.isEmpty() ? String(key) : text, file));
}

} // namespace

int ValueDomain::valueCount(Type type)
{
    return kDomainCounts[type];
}

ValueDomain ValueDomain::parse(const String& text, const String& key, const String& file)
{
    lang::Array<String> parts = words(text);
    if (parts.isEmpty() || parts[0].length() > 255)
        throw lang::Exception(Format("Failed to value domain type string from variable {0} in file {1}", key, file));
    ValueDomain result;
    const String type = parts[0].toUpperCase();
    int found = -1;
    for (int i = 0; i < 17; ++i)
        if (type == kDomainNames[i])
            found = i;
    if (found < 0)
        throw lang::Exception(Format("Invalid value domain type string in variable {0} in file {1}", key, file));
    result.type = static_cast<Type>(found);
    const int count = kDomainCounts[found];
    if (parts.size() < count + 1)
        throw lang::Exception(Format("Failed to parse value domain {0} in file {1}", key, file));
    for (int i = 0; i < count; ++i) {
        double value;
        if (!io::PropertyParser::parseNumber(parts[i + 1], &value))
            throw lang::Exception(Format("Failed to parse value domain {0} in file {1}", key, file));
        result.values[i] = static_cast<float>(value);
    }
    return result;
}

void ParticleSystem::Description::read(const io::PropertyParser& p, const String& file)
{
    try {
        systemMaxEmissions = p.getInteger("systemmaxemissions");
        systemRate = domain(p, "systemrate", file);
        systemStopTime = domain(p, "systemstoptime", file);
        systemLifeTime = domain(p, "systemlifetime", file);
        emissionMaxParticles = p.getInteger("emissionmaxparticles");
        emissionRate = domain(p, "emissionrate", file);
        emissionStopTime = domain(p, "emissionstoptime", file);
        emissionLifeTime = domain(p, "emissionlifetime", file);
        emissionPosition = domain(p, "emissionposition", file);
        String text;
        particleAlignedToUserNormal = p.getString("particlealignedtousernormal", text)
                                          ? p.getBoolean("particlealignedtousernormal")
                                          : false;
        vector3(p, "particleusernormal", file, particleUserNormal, true);
        particleLifeTime = domain(p, "particlelifetime", file);
        particleStartVelocity = domain(p, "particlestartvelocity", file);
        particleStartPosition = domain(p, "particlestartposition", file);
        particleStartSize = domain(p, "particlestartsize", file);
        particleEndSize = domain(p, "particleendsize", file);
        particleStartAlpha = domain(p, "particlestartalpha", file);
        particleEndAlpha = domain(p, "particleendalpha", file);
        particleStartColor = domain(p, "particlestartcolor", file);
        particleEndColor = domain(p, "particleendcolor", file);
        particleSpriteElasticity = domain(p, "particlespriteelasticity", file);
        particleSpriteRotation = domain(p, "particlespriterotation", file);
        particleSpriteStartRotationSpeed = domain(p, "particlespritestartrotationspeed", file);
        particleSpriteEndRotationSpeed = domain(p, "particlespriteendrotationspeed", file);
        gravity = static_cast<float>(p.getNumber("gravity"));
        vector3(p, "wind", file, wind, false);
        textureFrameRate = static_cast<float>(p.getNumber("textureframerate"));
        textureFrames = p.getInteger("textureframes");
        textureAnimation = enumeration<AnimationType>(p, "textureanimation", file, "AnimationType", {"LOOP", "LIFE", "RANDOM"});
        textureView = enumeration<ViewType>(p, "textureview", file, "ViewType", {"CAMERAUP", "WORLDUP"});
        emissionLimitKill = enumeration<KillType>(p, "emissionlimitkill", file, "KillType", {"NONE", "OLDEST", "RANDOM"});
        systemLimitKill = enumeration<KillType>(p, "systemlimitkill", file, "KillType", {"NONE", "OLDEST", "RANDOM"});
        particleUpdateAlways = p.getBoolean("particleupdatealways");
        p.getString("texturename", textureName);
        p.getString("shadername", shaderName);
    } catch (const lang::Throwable& e) {
        lang::log("%s\n", e.getMessage().c_str());
        throw lang::Exception(Format("Failed to read particle system {0}", file));
    }
}

void ParticleSystem::Description::validate(const String& file) const
{
    if (systemMaxEmissions < 1 || systemMaxEmissions > 10922)
        throw lang::Exception(Format("Invalid value in \"{0}\": SystemMaxEmissions={1} (out-of-range, max is {2})", file,
                                     systemMaxEmissions, 10922));
    if (systemLimitKill == KILL_INVALID)
        throw lang::Exception(Format("Invalid value  in \"{0}\": systemLimitKill invalid", file));
    if (emissionMaxParticles < 1 || emissionMaxParticles > 10921)
        throw lang::Exception(Format("Invalid value in \"{0}\": MaxParticles={1} (out-of-range, max is {2})", file,
                                     emissionMaxParticles, 10921));
    if (emissionLimitKill == KILL_INVALID)
        throw lang::Exception(Format("Invalid value  in \"{0}\": emissionLimitKill invalid", file));
    auto constantZero = [](const ValueDomain& d) { return d.type == ValueDomain::CONSTANT && d.values[0] == 0; };
    const bool rotation = !(constantZero(particleSpriteRotation) && constantZero(particleSpriteStartRotationSpeed));
    const bool elastic = !(particleSpriteElasticity.type == ValueDomain::CONSTANT && particleSpriteElasticity.values[0] == 0) &&
                         particleSpriteElasticity.type != ValueDomain::NONE;
    if (elastic && rotation)
        throw lang::Exception(
            Format("Invalid combination in \"{0}\": Sprite rotation and elasticity are mutually exclusive", file));
    if (elastic && particleAlignedToUserNormal)
        throw lang::Exception(Format(
            "Invalid combination in \"{0}\": particleAlignedToUserNormal and elasticity are mutually exclusive", file));
    if (textureFrameRate < 0 || textureFrameRate > 100)
        throw lang::Exception(Format("Invalid value in \"{0}\": textureFrameRate={1} (out-of-range 0-100)", file,
                                     textureFrameRate));
    const int side = static_cast<int>(std::lround(std::sqrt(static_cast<double>(textureFrames))));
    if (textureFrames < 0 || side * side != textureFrames)
        throw lang::Exception(Format("Invalid value in \"{0}\": TextureFrames={1} (not square of integer)", file,
                                     textureFrames));
    if (textureAnimation == ANIMATION_INVALID)
        throw lang::Exception(Format("Invalid value  in \"{0}\": textureAnimation invalid", file));
    if (textureView == VIEW_INVALID)
        throw lang::Exception(Format("Invalid value  in \"{0}\": particleView invalid", file));
}

void ParticleSystem::dump() const
{
    const Description& d = m_description;
    lang::log("---------------------------------------------------------\n");
    lang::log("%s%d\n", "systemMaxEmissions = ", d.systemMaxEmissions);
    lang::log("%s%d\n", "emissionMaxParticles = ", d.emissionMaxParticles);
    lang::log("%s%d\n", "textureFrames = ", d.textureFrames);
    lang::log("%s%s\n", "textureName = ", d.textureName.c_str());
    lang::log("%s%s\n", "shaderName = ", d.shaderName.c_str());
}

void ParticleSystem::render(gr::Context*, int priority) const
{
    if (priority != this->priority() || liveParticles() == 0)
        return;
    lang::log("Particle systems used but ParticleSystem::render() not implemented on this platform!\n");
}

} // namespace hgr
