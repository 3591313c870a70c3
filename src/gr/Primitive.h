#pragma once

#include "gr/Shader.h"
#include "gr/VertexFormat.h"
#include "lang/Object.h"
#include "lang/Ptr.h"

#include <cstdint>
#include <vector>

namespace gr {

class Context;

/// A block of vertices in a described format, and optionally 16-bit indices, kept in main
/// memory with conversions between formats. Drawing belongs to the context kinds.
class Primitive : public lang::Object
{
public:
    enum Type { POINTS, LINES, LINE_STRIP, TRIANGLES, TRIANGLE_STRIP, TRIANGLE_FAN };

    explicit Primitive(Type type = TRIANGLES) : m_type(type) {}

    /// Builds the zero-filled storage: each present data type in its own array, then the indices.
    void allocate(const VertexFormat& format, int maxVertices, int maxIndices);

    /// Converts count elements from source (in sourceFormat) into the stored format of
    /// type, from vertex first on; nothing when the format lacks the type.
    void setVertexData(int type, int first, const void* source, VertexDataFormat sourceFormat, int count);
    /// Reads count elements of type as float4 records (missing components 0).
    void getVertexData(int type, int first, float* out, int count) const;
    void setPositions(int first, const float* xyzw, int count) { setVertexData(DT_POSITION, first, xyzw, DF_V4_32, count); }
    void setTexCoords(int set, int first, const float* xyzw, int count)
    {
        setVertexData(DT_TEX0 + set, first, xyzw, DF_V4_32, count);
    }
    void setDiffuse(int first, const float* xyzw, int count) { setVertexData(DT_DIFFUSE, first, xyzw, DF_V4_32, count); }

    /// Indices from 1-, 2- or 4-byte sources; 4-byte sources keep their low 16 bits.
    void setIndices(int first, const void* source, int width, int count);
    void getIndices(int first, int32_t* out, int count) const;

    /// Gathers the bones with weight into the palette (ascending) and renumbers the vertices'
    /// bone indices into it.
    void buildBonePalette();
    const std::vector<uint8_t>& bonePalette() const { return m_bonePalette; }

    /// Rewrites the index array (or, unindexed, the vertex order) so that triangles come
    /// ordered by the distance of their centroids from a reference: the camera (sort modes 1
    /// back to front, 2 front to back) or the centre of the positions' box (3 inside out,
    /// 4 outside in). Centroids are moved by the world matrix and, with bone weights, skinned
    /// with the bone matrices (row-major, translation in the last column).
    void sortTriangles(int mode, const float camera[3], const float world[16], const float* bones, int boneCount);

    /// Draws through the context that made the primitive, with its shader's current pass.
    void render();
    void setContext(Context* context) { m_context = context; }

    /// The start of a type's array and its stride, or null when absent.
    const uint8_t* vertexArray(int type, int* stride) const;
    const uint16_t* indexArray() const;

    Type primitiveType() const { return m_type; }
    const VertexFormat& vertexFormat() const { return m_format; }
    int maxVertices() const { return m_maxVertices; }
    int maxIndices() const { return m_maxIndices; }
    int vertexBegin() const { return m_vertexBegin; }
    int vertexEnd() const { return m_vertexEnd; }
    int indexBegin() const { return m_indexBegin; }
    int indexEnd() const { return m_indexEnd; }
    void setVertexRange(int begin, int end) { m_vertexBegin = begin, m_vertexEnd = end; }
    void setIndexRange(int begin, int end) { m_indexBegin = begin, m_indexEnd = end; }
    void setShader(Shader* shader) { m_shader = shader; }
    Shader* shader() const { return m_shader.ptr(); }

protected:
    Type m_type;
    Context* m_context = nullptr; ///< not owned: contexts outlive what they make
    VertexFormat m_format;
    int m_maxVertices = 0;
    int m_maxIndices = 0;
    int m_vertexBegin = 0, m_vertexEnd = 0;
    int m_indexBegin = 0, m_indexEnd = 0;
    std::vector<uint8_t> m_data;
    int m_offsets[DT_COUNT + 1] = {};
    std::vector<uint8_t> m_bonePalette;
    lang::Ptr<Shader> m_shader;
};

} // namespace gr
