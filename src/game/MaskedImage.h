#pragma once

#include "gr/Context.h"
#include "lang/Ptr.h"

#include <vector>

namespace game {

class Sprite;

/// Draws sprites whose alpha is multiplied by a mask texture spread over each sprite, in
/// batches of one draw call for as long as the sprite image and the mask stay the same.
class MaskedImage : public lang::Object
{
public:
    /// Takes the masked shader from the context's shader path: "2d-sprite-alpha-masked" on
    /// the shader renderer, the "sprite-straightalpha" template on the fixed-function one.
    /// context is not owned: it outlives the drawer. Throws GraphicsException.
    explicit MaskedImage(gr::Context* context);

    /// Adds the sprite with its pivot at x, y through the context's 2D drawing state; the
    /// mask covers the sprite's rectangle. Quads wholly off screen are skipped.
    void draw(const Sprite& sprite, gr::Texture* mask, float x, float y);
    /// Draws what was added.
    void flush();

private:
    gr::Context* m_context;
    lang::Ptr<gr::Shader> m_shader;
    lang::Ptr<gr::Texture> m_texture;
    lang::Ptr<gr::Texture> m_mask;
    float m_alpha = 1;
    std::vector<float> m_positions; ///< x, y, z per vertex, clip space
    std::vector<float> m_uv;        ///< the sprite's u, v per vertex
    std::vector<float> m_maskUV;    ///< the mask's u, v per vertex
};

} // namespace game
