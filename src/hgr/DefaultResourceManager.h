#pragma once

#include "gr/Context.h"
#include "gr/Texture.h"
#include "hgr/ParticleSystem.h"
#include "lang/Hashtable.h"
#include "lang/Object.h"
#include "lang/Ptr.h"

namespace hgr {

/// The scene layer's resources by name: textures, cube textures and particle systems,
/// each loaded once. Process-wide while the frame runs (created at start-up, released
/// first at shutdown).
class DefaultResourceManager : public lang::Object
{
public:
    /// context is not owned: it outlives the manager.
    explicit DefaultResourceManager(gr::Context* context);

    lang::Ptr<gr::Texture> getTexture(const lang::String& name);
    /// Throws gr::GraphicsException "Cube textures not supported" on this platform's contexts.
    lang::Ptr<gr::Texture> getCubeTexture(const lang::String& name);
    /// Reads, validates and caches the particle system file name; its texture is looked
    /// up in textureDirectory, or beside the file when that is empty.
    lang::Ptr<ParticleSystem> getParticleSystem(const lang::String& name, const lang::String& textureDirectory);

    /// The process-wide manager, or null outside the frame's run.
    static DefaultResourceManager* installed() { return s_installed.ptr(); }
    static void install(DefaultResourceManager* manager) { s_installed = manager; }

private:
    gr::Context* m_context;
    lang::Hashtable<lang::String, lang::Ptr<gr::Texture>> m_textures;
    lang::Hashtable<lang::String, lang::Ptr<ParticleSystem>> m_particleSystems;
    static lang::Ptr<DefaultResourceManager> s_installed;
};

} // namespace hgr
