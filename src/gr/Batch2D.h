#pragma once

#include "gr/DrawState.h"
#include "gr/Shader.h"
#include "gr/Texture.h"
#include "lang/Ptr.h"

#include <cstdint>
#include <vector>

namespace gr {

/// The immediate 2D batch: quads and lines collected while they can share one draw.
///
/// A quad is four vertices, its corners top-left, top-right, bottom-left, bottom-right, drawn
/// as the triangles (0, 1, 2) and (2, 1, 3) through indices all batches share (quadIndices);
/// a line is two vertices.
struct Batch2D
{
    enum Mode { LINES = 0, COLOURED = 1, TEXTURED = 2 };
    /// The most vertices a batch holds: 16-bit indices reach no further.
    static const int MAX_VERTICES = 65536;
    static const int MAX_QUADS = MAX_VERTICES / 4;
    /// The indices of quads 0 to quads - 1, six each.
    static std::vector<uint16_t> quadIndices(int quads);

    Mode mode = TEXTURED;
    float lineWidth = 1;
    lang::Ptr<Texture> texture;
    lang::String shaderName; ///< "2d-sprite", "2d-vertexcolor-alpha", ...
    DrawState state;         ///< the drawing state when the batch started
    std::vector<float> positions; ///< x, y, z per vertex, in clip space
    std::vector<float> texCoords; ///< u, v per vertex
    std::vector<uint8_t> colours; ///< r, g, b, a per vertex

    bool isEmpty() const { return positions.empty(); }
    int vertexCount() const { return static_cast<int>(positions.size() / 3); }
    /// Whether count more vertices still fit.
    bool hasRoom(int count) const { return vertexCount() + count <= MAX_VERTICES; }
    void clear()
    {
        positions.clear();
        texCoords.clear();
        colours.clear();
        texture = nullptr;
        shaderName = lang::String();
    }

    /// Whether a draw with these settings may join the batch.
    bool accepts(Mode drawMode, float width, const Texture* image, const DrawState& drawState) const;
};

} // namespace gr
