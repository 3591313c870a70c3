#include "hgr/DefaultResourceManager.h"

#include "gr/GraphicsException.h"
#include "io/FileInputStream.h"
#include "io/PathName.h"
#include "io/PropertyParser.h"

#include <string>

using lang::String;

namespace hgr {

lang::Ptr<DefaultResourceManager> DefaultResourceManager::s_installed;

DefaultResourceManager::DefaultResourceManager(gr::Context* context) : m_context(context)
{
}

lang::Ptr<gr::Texture> DefaultResourceManager::getTexture(const String& name)
{
    if (lang::Ptr<gr::Texture>* cached = m_textures.find(name))
        return *cached;
    lang::Ptr<gr::Texture> texture = m_context->loadTexture(name);
    m_textures[name] = texture;
    return texture;
}

lang::Ptr<gr::Texture> DefaultResourceManager::getCubeTexture(const String&)
{
    throw gr::GraphicsException(lang::Format("Cube textures not supported"));
}

lang::Ptr<ParticleSystem> DefaultResourceManager::getParticleSystem(const String& name, const String& textureDirectory)
{
    if (lang::Ptr<ParticleSystem>* cached = m_particleSystems.find(name))
        return *cached;
    io::FileInputStream in(name);
    std::string text(static_cast<size_t>(in.available()), '\0');
    text.resize(static_cast<size_t>(in.read(&text[0], static_cast<int>(text.size()))));
    io::PropertyParser parser;
    parser.parse(String(text), name);
    ParticleSystem::Description description;
    description.read(parser, name);
    description.validate(name);
    const String directory = textureDirectory.isEmpty() ? String(io::PathName(name).parent().fullPath())
                                                        : textureDirectory;
    if (!description.textureName.isEmpty())
        description.texture = getTexture(io::PathName(directory, description.textureName).fullPath());
    if (!description.shaderName.isEmpty()) {
        // The context adds ".fx" itself; a name given with it would be looked up twice over.
        io::PathName shader(directory, description.shaderName);
        String path = shader.fullPath();
        if (String(shader.extension()) == ".fx" || String(shader.extension()) == "fx")
            path = io::PathName(String(shader.parent().fullPath()), String(shader.basename())).fullPath();
        description.shader = m_context->getShader(path, 0);
    }
    lang::Ptr<ParticleSystem> system = new ParticleSystem(description);
    m_particleSystems[name] = system;
    return system;
}

} // namespace hgr
