#include "game/MaskedImage.h"

#include "game/SpriteSheet.h"
#include "gr/Primitive.h"
#include "gr/VertexFormat.h"

namespace game {

namespace {

// A quad is two triangles: corners (0, 1, 2) and (2, 1, 3).
const int kQuad[6] = {0, 1, 2, 2, 1, 3};
const float kMaskCorners[8] = {0, 0, 1, 0, 0, 1, 1, 1};

} // namespace

MaskedImage::MaskedImage(gr::Context* context) : m_context(context)
{
    const bool programmable = context->kind() == gr::Context::KIND_GL2 || context->kind() == gr::Context::KIND_GLES2;
    m_shader = context->getShader(context->shaderPath() + (programmable ? "2d-sprite-alpha-masked" : "sprite-straightalpha"), 0);
}

void MaskedImage::draw(const Sprite& sprite, gr::Texture* mask, float x, float y)
{
    gr::Texture* texture = sprite.image() ? sprite.image()->texture() : nullptr;
    if (!texture || !mask)
        return;
    float corners[8], clip[8];
    m_context->imageCorners(x - sprite.pivotX(), y - sprite.pivotY(), sprite.width(), sprite.height(), corners);
    if (!m_context->toClipSpace(corners, 4, clip))
        return;
    const float alpha = m_context->drawState().alpha;
    if (texture != m_texture.ptr() || mask != m_mask.ptr() || alpha != m_alpha)
        flush();
    m_texture = texture;
    m_mask = mask;
    m_alpha = alpha;
    const float* uv = sprite.textureCoordinates();
    for (int c : kQuad) {
        m_positions.insert(m_positions.end(), {clip[2 * c], clip[2 * c + 1], 0.001f});
        m_uv.insert(m_uv.end(), {uv[2 * c], uv[2 * c + 1]});
        m_maskUV.insert(m_maskUV.end(), {kMaskCorners[2 * c], kMaskCorners[2 * c + 1]});
    }
}

void MaskedImage::flush()
{
    const int count = static_cast<int>(m_positions.size() / 3);
    if (count == 0)
        return;
    gr::VertexFormat format;
    format.set(gr::DT_POSITION, gr::DF_V3_32).set(gr::DT_TEX0, gr::DF_V2_32).set(gr::DT_TEX1, gr::DF_V2_32);
    lang::Ptr<gr::Primitive> primitive = m_context->getDynamicPrimitive(gr::Primitive::TRIANGLES, format, count, 0);
    primitive->setVertexData(gr::DT_POSITION, 0, m_positions.data(), gr::DF_V3_32, count);
    primitive->setVertexData(gr::DT_TEX0, 0, m_uv.data(), gr::DF_V2_32, count);
    primitive->setVertexData(gr::DT_TEX1, 0, m_maskUV.data(), gr::DF_V2_32, count);
    primitive->setVertexRange(0, count);
    primitive->setShader(m_shader.ptr());

    m_shader->setTextureParam("BASEMAP", m_texture.ptr());
    m_shader->setTextureParam("BASEMAP1", m_mask.ptr());
    m_shader->setFloat("ALPHA_FACTOR", m_alpha);
    // begin() draws the pending 2D batch first, so what was drawn before stays below.
    const int passes = m_shader->begin();
    m_shader->setMatrixById(gr::Shader::ID_PROJTM, m_context->transform());
    for (int pass = 0; pass < passes; ++pass) {
        m_shader->beginPass(pass);
        primitive->render();
        m_shader->endPass();
    }
    m_shader->end();
    m_positions.clear();
    m_uv.clear();
    m_maskUV.clear();
}

} // namespace game
