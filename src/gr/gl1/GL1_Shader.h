#pragma once

#include "gr/Shader.h"

#include <GL/glew.h>

#include <vector>

namespace gr {

class Context;

/// A built-in fixed-function shader template of the fallback renderer: one pass whose
/// colour, texturing, lighting, depth, culling and blending come from the template's flags.
class GL1_Shader_Default : public Shader
{
public:
    enum Flags {
        COLOUR = 0x1000,     ///< colour material from "DIFFUSEC"
        LIGHTING = 0x2000,   ///< light 0
        TEXTURED = 0x4000,   ///< "BASEMAP" (and "BASEMAP1") bound
        NO_DEPTH = 0x8000,   ///< no depth test nor writes
        NO_CULLING = 0x10000
    };

    /// What every instance of a template shares.
    struct Shared : lang::Object
    {
        Shared(Context* context, const char* name, int flags, GLenum source, GLenum destination)
            : context(context), name(name), flags(flags), source(source), destination(destination) {}
        Context* context; ///< not owned: the context holds its templates
        lang::String name;
        int flags;
        GLenum source, destination;
    };

    /// The twelve templates, in their registration order.
    static std::vector<lang::Ptr<Shared>> templates(Context* context);

    explicit GL1_Shader_Default(Shared* shared);

    lang::Ptr<Shader> clone() const override;
    /// The one technique answers to "" and "Default".
    void setTechnique(const lang::String& name) override;
    bool hasTechnique(const lang::String& name) const override { return name == "Default"; }
    int begin() override;
    void beginPass(int index) override;
    void endPass() override {}
    bool isActive() const override { return m_active; }

    const Shared& shared() const { return *m_shared; }

private:
    lang::Ptr<Shared> m_shared;
    bool m_active = true;

    /// A vector parameter, or fallback when not set.
    void vectorOr(const char* name, const float fallback[4], float out[4]) const;
};

} // namespace gr
