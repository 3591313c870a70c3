#include "gr/gl1/GL1_Shader.h"

#include "gr/Context.h"
#include "gr/gl/GL_StateCache.h"
#include "gr/gl/GL_Texture.h"

#include <algorithm>

namespace gr {

std::vector<lang::Ptr<GL1_Shader_Default::Shared>> GL1_Shader_Default::templates(Context* context)
{
    struct Template { const char* name; int flags; GLenum source, destination; };
    static const Template kTemplates[] = {
        {"unlit-plain", 0x1000, GL_ONE, GL_ZERO},
        {"unlit-tex", 0x4000, GL_ONE, GL_ZERO},
        {"unlit-tex-alpha", 0xC000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {"diff-plain", 0x3000, GL_ONE, GL_ZERO},
        {"diff-tex", 0x6000, GL_ONE, GL_ZERO},
        {"diff-tex-alpha", 0xB000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {"sprite", 0x1C000, GL_ONE, GL_ZERO},
        {"sprite-alpha", 0x1C000, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
        {"sprite-straightalpha", 0x1C000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {"sprite-plain", 0x19000, GL_ONE, GL_ZERO},
        {"sprite-alphaplain", 0x19000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {"lines-debug", 0x9000, GL_ONE, GL_ZERO},
    };
    std::vector<lang::Ptr<Shared>> list;
    for (const Template& t : kTemplates)
        list.push_back(new Shared(context, t.name, t.flags, t.source, t.destination));
    return list;
}

GL1_Shader_Default::GL1_Shader_Default(Shared* shared) : m_shared(shared)
{
    setFileName(shared->name);
    const float scaleBias[4] = {1, 0, 0, 0};
    setVector("SCALEBIAS", scaleBias);
    setFloat("LINE_WIDTH", 1.0f);
    m_sortContext = shared->context;
}

lang::Ptr<Shader> GL1_Shader_Default::clone() const
{
    return new GL1_Shader_Default(m_shared.ptr());
}

void GL1_Shader_Default::setTechnique(const lang::String& name)
{
    m_active = name.isEmpty() || name == "Default";
}

int GL1_Shader_Default::begin()
{
    // Pending 2D drawing goes first: it would otherwise run inside this shader's pass.
    m_shared->context->flush();
    return m_active ? 1 : 0;
}

void GL1_Shader_Default::vectorOr(const char* name, const float fallback[4], float out[4]) const
{
    for (const VectorParam& p : m_vectors)
        if (p.name == name) {
            std::copy(p.value, p.value + 4, out);
            return;
        }
    std::copy(fallback, fallback + 4, out);
}

void GL1_Shader_Default::beginPass(int index)
{
    if (index != 0 || !m_active)
        return;
    const int flags = m_shared->flags;
    GL_StateCache& cache = GL_StateCache::get();
    cache.useProgram(0);
    const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};

    float colour[4];
    if (flags & COLOUR) {
        vectorOr("DIFFUSEC", white, colour);
        glEnable(GL_COLOR_MATERIAL);
        glColor4fv(colour);
    } else {
        glDisable(GL_COLOR_MATERIAL);
        glColor4fv(white);
    }

    for (int unit = 0; unit < 2; ++unit) {
        auto* texture = static_cast<GL_Texture*>((flags & TEXTURED) ? getTextureParam(unit ? "BASEMAP1" : "BASEMAP") : nullptr);
        cache.bindTexture(unit, texture ? texture->glTexture() : 0);
        cache.setActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit)); // enables below act on this unit
        if (texture) {
            glEnable(GL_TEXTURE_2D);
            if (unit == 1) {
                // The second map only gives alpha: colour passes through from unit 0.
                glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
                glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
                glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PREVIOUS);
                glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
            }
        } else {
            glDisable(GL_TEXTURE_2D);
        }
    }
    cache.setActiveTexture(GL_TEXTURE0);

    glEnable(GL_NORMALIZE);
    glDisable(GL_DITHER);
    cache.setLineWidth(getFloat("LINE_WIDTH"));
    cache.setCull(!(flags & NO_CULLING), GL_BACK);
    const bool blend = !(m_shared->source == GL_ONE && m_shared->destination == GL_ZERO);
    cache.setBlend(blend, GL_FUNC_ADD, m_shared->source, m_shared->destination);
    cache.setDepthTest(!(flags & NO_DEPTH), GL_LESS);
    cache.setDepthMask(!(flags & NO_DEPTH));

    // The engine's matrices are rows of four with the translation last.
    Context& context = *m_shared->context;
    const float* v = context.viewTransform();
    const float view[16] = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], 0, 0, 0, 1};
    glMatrixMode(GL_PROJECTION);
    glLoadTransposeMatrixf(context.transform());
    glMatrixMode(GL_MODELVIEW);
    if (flags & LIGHTING) {
        float position[4], ambient[4], diffuse[4], specular[4];
        const float overhead[4] = {0, 0, 1, 0};
        vectorOr("LIGHTP0", overhead, position);
        vectorOr("AMBIENTC", black, ambient);
        vectorOr("LIGHTC0", white, diffuse);
        vectorOr("SPECULARC", black, specular);
        glLoadTransposeMatrixf(view);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glLightfv(GL_LIGHT0, GL_POSITION, position);
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
        glLightfv(GL_LIGHT0, GL_SPECULAR, white);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    } else {
        glDisable(GL_LIGHTING);
    }
    glLoadTransposeMatrixf(view);
    for (const MatrixParam& p : m_matrices)
        if (p.name == "WORLDTM")
            glMultTransposeMatrixf(p.value);
    float scaleBias[4];
    const float identity[4] = {1, 0, 0, 0};
    vectorOr("SCALEBIAS", identity, scaleBias);
    glTranslatef(scaleBias[1], scaleBias[2], scaleBias[3]);
    glScalef(scaleBias[0], scaleBias[0], scaleBias[0]);
}

} // namespace gr
