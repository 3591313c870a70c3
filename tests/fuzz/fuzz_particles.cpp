// Particle descriptions: a property set read, checked and given its texture and shader by
// the scene layer's resource manager, as a game loads one.

#include "FuzzSupport.h"

#include "hgr/DefaultResourceManager.h"

namespace {

/// A shader that only remembers its file.
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

class ShaderContext : public fuzz::NullContext
{
protected:
    lang::Ptr<gr::Shader> loadShader(const lang::String& path, int) override
    {
        lang::Ptr<gr::Shader> shader = new StubShader;
        shader->setFileName(path);
        return shader;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const std::string file = fuzz::Scratch::get().write("particles/spark.txt", data, size);
    // Fresh each time: the context keeps every shader it hands out.
    ShaderContext context;
    try {
        lang::Ptr<hgr::DefaultResourceManager> manager = new hgr::DefaultResourceManager(&context);
        lang::Ptr<hgr::ParticleSystem> system = manager->getParticleSystem(file.c_str(), "");
        system->dump();
        system->clone();
    } catch (const lang::Throwable&) {
    }
    return 0;
}
