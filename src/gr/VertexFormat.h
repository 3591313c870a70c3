#pragma once

#include <cstdint>
#include <cstring>

namespace gr {

/// Vertex data types, in storage order.
enum VertexDataType {
    DT_POSITION, DT_POSITIONT, DT_BONEWEIGHTS, DT_BONEINDICES, DT_NORMAL, DT_DIFFUSE, DT_SPECULAR, DT_TEX0, DT_TEX1,
    DT_TEX2, DT_TEX3, DT_TANGENT, DT_COUNT
};

/// Vertex data formats: _32 floats, _16 and _8 signed integers as they are, _16F half
/// floats, V4_5 three 5-bit fields and a flag bit.
enum VertexDataFormat {
    DF_NONE, DF_S_32, DF_S_16, DF_S_8, DF_V2_32, DF_V2_16, DF_V2_8, DF_V3_32, DF_V3_16, DF_V3_8, DF_V4_32, DF_V4_16,
    DF_V4_8, DF_V4_5, DF_V2_16F, DF_V3_16F, DF_V4_16F, DF_COUNT
};

/// The 9-byte vertex format record: twelve 4-bit format codes, then the vertex and the
/// component alignment. Equality compares the codes only.
class VertexFormat
{
public:
    VertexFormat() { std::memset(m_bytes, 0, sizeof(m_bytes)), m_bytes[7] = 1, m_bytes[8] = 1; }

    VertexDataFormat format(int type) const
    {
        const uint8_t byte = m_bytes[type / 2];
        return static_cast<VertexDataFormat>(type % 2 ? byte >> 4 : byte & 0xf);
    }
    VertexFormat& set(int type, VertexDataFormat format)
    {
        uint8_t& byte = m_bytes[type / 2];
        byte = type % 2 ? static_cast<uint8_t>((byte & 0x0f) | format << 4) : static_cast<uint8_t>((byte & 0xf0) | format);
        return *this;
    }
    bool has(int type) const { return format(type) != DF_NONE; }
    /// Sets the first free texture coordinate set; with all four set nothing changes.
    VertexFormat& addTextureCoordinates(VertexDataFormat format);

    int vertexAlignment() const { return m_bytes[7]; }
    int componentAlignment() const { return m_bytes[8]; }
    void setVertexAlignment(int bytes) { m_bytes[7] = static_cast<uint8_t>(bytes); }
    void setComponentAlignment(int bytes) { m_bytes[8] = static_cast<uint8_t>(bytes); }

    /// Bytes and components of a data format.
    static int formatSize(VertexDataFormat format);
    static int formatComponents(VertexDataFormat format);
    /// The type's bytes, rounded up to the component alignment.
    int componentSize(int type) const;
    /// The sum of the component sizes, rounded up to the vertex alignment.
    int vertexSize() const;

    bool operator==(const VertexFormat& o) const { return std::memcmp(m_bytes, o.m_bytes, 6) == 0; }
    bool operator!=(const VertexFormat& o) const { return !(*this == o); }

private:
    uint8_t m_bytes[9];
};

} // namespace gr
